// The plot panel of the main window: the flow plot or its simulated
// photograph, the view (fit, pan, zoom), the plot check boxes, the legend,
// the copy of the picture and the photograph's menu.
#include "app/Main.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

#include <algorithm>

#include "app/ContourLineSettings.h"
#include "app/ContourSettings.h"
#include "app/MainShared.h"
#include "app/about.h"
#include "controls/MyOpenGL.h"
#include "controls/Shapes.h"
#include "platform/Dialogs.h"
#include "controls/MyProgressBar.h"

namespace vorlantic {

void TfrmMain::DrawExecute() {
    // Nothing before the first fetch of the first run: the optics would
    // stop on a grid of no nodes. Nor once the panel has moved on to another
    // case or other values: the plot shows what the panel describes.
    if (!FPlot || !FNodeR || FNodeCount <= 0 || !PanelShowsRunCase()) return;
    if (FStepCount == 0) {
        if (!FitView()) return;
        bool peaks = FCaseId == 2 || FCaseId == 4;
        FMidValue[0] = peaks ? FRMax : (FRMax + FRMin) / 2;
        FMidValue[1] = peaks ? FPMax : (FPMax + FPMin) / 2;
        FMidValue[2] = (FUxMax + FUxMin) / 2;
        FMidValue[3] = (FUyMax + FUyMin) / 2;
    }
    FPlot->CellNodes = FCellNodes.get();
    FPlot->NodeCount = FNodeCount;
    FPlot->CellStride = FCapacity;
    FPlot->CellCount = FCellCount;
    FPlot->ImageRGB = FOpticsIntPar[kColour];

    if (FPhotoMode) {
        ioparainput();
        if (!TracePhotograph(true)) return;
        MyOpenGL1->SetView(FPhotoX0, FPhotoX1, FPhotoY0, FPhotoY1, 0, 1);
        FPlot->Image = FPhotoImage.get();
        FPlot->ImageNx = FPhotoWidth;
        FPlot->ImageNy = FPhotoHeight;
        FPlot->ImageX0 = FPhotoX0;
        FPlot->ImageY0 = FPhotoY0;
        FPlot->ImageX1 = FPhotoX1;
        FPlot->ImageY1 = FPhotoY1;
        MyOpenGL1->DraftOn = false;
        MyOpenGL1->LegendOn = false;
        FPlot->ImageGridX = FPhotoX.get();
        FPlot->ImageGridY = FPhotoY.get();
        FPlot->Intensity = FPhotoValue.get();
        FPlot->PhotoMode = chkContour->isChecked();
        FPlot->ShowContour = FPlot->ShowContourLines = FPlot->ShowVector = false;
        FPlot->ShowGrid = chkMesh->isChecked();
        // The grid drawn is the traced image grid.
        FPlot->NodeX = FPhotoX.get();
        FPlot->NodeY = FPhotoY.get();
        FPlot->CellNodes = FPhotoCellNodes.get();
        FPlot->NodeCount = FPhotoNodeCount;
        FPlot->CellCount = FPhotoCellCount;
    } else {
        FPlot->PhotoMode = false;
        FPlot->NodeX = FNodeX.get();
        FPlot->NodeY = FNodeY.get();
        FPlot->ShowGrid = chkMesh->isChecked();
        FPlot->ShowVector = chkVector->isChecked();
        FPlot->ShowContour = chkContour->isChecked();
        FPlot->ShowContourLines = chkContourLines->isChecked();
        MyOpenGL1->DraftOn = false;
        // One level more than lines, within what the plot draws.
        FPlot->ContourLineCount = std::min(FContourLevels, kMaxContourLevels - 1) + 1;

        int variable = FContourVariable >= 1 && FContourVariable <= 3 ? FContourVariable : 0;
        const double* values[] = {FNodeR.get(), FNodeP.get(), FNodeUx.get(), FNodeUy.get()};
        FPlot->setVariables(FNodeX.get(), FNodeY.get(), FNodeCount, FCellNodes.get(), FNodeUx.get(), FNodeUy.get(),
                            values[variable]);
        FPlot->ValueMid = FMidValue[variable];

        if (!chkContour->isChecked() && !chkContourLines->isChecked())
            MyOpenGL1->LegendOn = false;
        else if (FShowLegend)
            MyOpenGL1->LegendOn = true;
        MyOpenGL1->LegendMin = FPlot->ValueMin;
        MyOpenGL1->LegendMax = FPlot->ValueMax;
        MyOpenGL1->LegendMid = FPlot->ValueMid;
    }
    MyOpenGL1->repaint();
}

bool TfrmMain::FitView() {
    auto box = [this](const double* x, const double* y, int count) {
        if (count <= 0) return;
        auto [xa, xb] = std::minmax_element(x, x + count);
        auto [ya, yb] = std::minmax_element(y, y + count);
        FXMin = *xa;
        FXMax = *xb;
        FYMin = *ya;
        FYMax = *yb;
    };
    if (FPhotoMode && FNodeR && FNodeCount > 0) {
        ioparainput();
        if (!TracePhotograph(false)) return false;
        box(FPhotoX.get(), FPhotoY.get(), FPhotoNodeCount);
    } else if (FNodeX && FNodeCount > 0) {
        box(FNodeX.get(), FNodeY.get(), FNodeCount);
    }
    double mx = 0.08 * (FXMax - FXMin), my = 0.08 * (FYMax - FYMin);
    MyOpenGL1->SetView(FXMin - mx, FXMax + mx, FYMin - my, FYMax + my, 0, 1);
    // Room for the legend on the right; the photograph has none and shows
    // its whole picture.
    FPlot->SetOriginalXY(FPhotoMode ? 0.0f : static_cast<float>(-0.04 * (FXMax - FXMin)), 0);
    MyOpenGL1->update();
    return true;
}

void TfrmMain::ioparainput() {
    if (FOpticsIntPar[kImagePlace] > kWithoutFlow) FOpticsIntPar[kImagePlace] -= kWithoutFlow;
    if (!FIncludeFlow) FOpticsIntPar[kImagePlace] += kWithoutFlow;
    FOpticsIntPar[kRecordingUnit] = cbRecordingUnit->currentIndex();
}

void TfrmMain::chkMeshClick() { DrawExecute(); }

void TfrmMain::chkVectorClick() { DrawExecute(); }

void TfrmMain::chkContourClick() {
    if (chkContour->isChecked() && !FPhotoMode && frmContourSettings) platform::ShowModal(*frmContourSettings);
    DrawExecute();
}

void TfrmMain::chkContourLinesClick() {
    if (chkContourLines->isChecked() && frmContourLineSettings) platform::ShowModal(*frmContourLineSettings);
    DrawExecute();
}

void TfrmMain::mnuContours1Click() {
    if (chkContour->isChecked()) {
        if (frmContourSettings) platform::ShowModal(*frmContourSettings);
        DrawExecute();
    }
}

void TfrmMain::sbLegendClick() {
    if (!FPlot->ShowContour && !FPlot->ShowContourLines) return;
    MyOpenGL1->LegendOn = !MyOpenGL1->LegendOn;
    FShowLegend = MyOpenGL1->LegendOn;
    MyOpenGL1->update();
}

void TfrmMain::tbLeftClick() {
    MyOpenGL1->ViewTransX -= static_cast<float>(0.1 * (FXMax - FXMin));
    MyOpenGL1->update();
}

void TfrmMain::tbRightClick() {
    MyOpenGL1->ViewTransX += static_cast<float>(0.1 * (FXMax - FXMin));
    MyOpenGL1->update();
}

void TfrmMain::tbUpClick() {
    MyOpenGL1->ViewTransY += static_cast<float>(0.1 * (FYMax - FYMin));
    MyOpenGL1->update();
}

void TfrmMain::tbDownClick() {
    MyOpenGL1->ViewTransY -= static_cast<float>(0.1 * (FYMax - FYMin));
    MyOpenGL1->update();
}

void TfrmMain::tbZoomInClick() {
    MyOpenGL1->ViewScaleX += 0.1f;
    MyOpenGL1->ViewScaleY += 0.1f;
    MyOpenGL1->update();
}

void TfrmMain::tbZoomOutClick() {
    MyOpenGL1->ViewScaleX -= 0.1f;
    MyOpenGL1->ViewScaleY -= 0.1f;
    MyOpenGL1->update();
}

void TfrmMain::tbRestoreClick() {
    MyOpenGL1->RestoreToInit();
    MyOpenGL1->update();
}

void TfrmMain::tbCopy1Click() { MyOpenGL1->CopyPicture(MyOpenGL1->rect()); }

void TfrmMain::tbAbout1Click() {
    if (AboutBox) AboutBox->show();
}

void TfrmMain::sbGrayscaleClick() {
    FPhotoMode = !FPhotoMode;
    Watch1->menuAction()->setVisible(FPhotoMode);
    UpdateMenuBar();
    if (FPhotoMode) {
        PanelBottom->show();
        TabSheetModelResize();
    }
    sbGrayscale->setToolTip(FPhotoMode ? "Conventional plot" : "Simulated photo");
    if (!FNodeR || FNodeCount <= 0) return;
    chkContour->setText(FPhotoMode ? "Photo" : "Contour");
    FitLeftPanelTexts();
    chkContourLines->setVisible(!FPhotoMode);
    chkVector->setVisible(!FPhotoMode);
    SetImageIndex(sbGrayscale, FPhotoMode ? kImagePhoto : kImagePlot);
    if (FitView()) DrawExecute();
}

void TfrmMain::WatchDefault() {
    Watch1->menuAction()->setVisible(FPhotoMode);
    WatchNoCheck();
    switch (FOpticsIntPar[kImagePlace]) {
        case 1: Imageonleftwindow1->setChecked(true); break;
        case 2: Imageonrightwindow1->setChecked(true); break;
        case 3: Imageonrecordingplane1->setChecked(true); break;
        default: break;
    }
    FIncludeFlow = true;
    UpdateMenuBar();
}

void TfrmMain::WatchNoCheck() {
    for (QAction* item : {Imageonleftwindow1, Imageonrightwindow1, Imageonrecordingplane1}) item->setChecked(false);
    if (FOpticsIntPar[kImagePlace] > kWithoutFlow) FOpticsIntPar[kImagePlace] -= kWithoutFlow;
}

void TfrmMain::ImagePlaceClick(QAction* item, int place) {
    WatchNoCheck();
    item->setChecked(true);
    FOpticsIntPar[kImagePlace] = place;
    DrawExecute();
}

void TfrmMain::Imageonleftwindow1Click() { ImagePlaceClick(Imageonleftwindow1, 1); }

void TfrmMain::Imageonrightwindow1Click() { ImagePlaceClick(Imageonrightwindow1, 2); }

void TfrmMain::Imageonrecordingplane1Click() { ImagePlaceClick(Imageonrecordingplane1, 3); }

void TfrmMain::Includeflowperturbations1Click() {
    FIncludeFlow = !FIncludeFlow;
    Includeflowperturbations1->setText(FIncludeFlow ? "Remove flow data" : "Add flow data");
    DrawExecute();
}

void TfrmMain::colororgrayscale1Click() {
    if (FOpticsIntPar[kColour] == 1) {
        colororgrayscale1->setText("Switch to color from grayscale");
        FOpticsIntPar[kColour] = 0;
    } else {
        colororgrayscale1->setText("Switch to grayscale from color");
        FOpticsIntPar[kColour] = 1;
    }
    DrawExecute();
}

void TfrmMain::dofirstorderraytracing1Click() {
    if (FOpticsIntPar[kRayOrder] == 1) {
        dofirstorderraytracing1->setText("Do second-order ray tracing");
        FOpticsIntPar[kRayOrder] = 0;
    } else {
        dofirstorderraytracing1->setText("Do first-order ray tracing ");
        FOpticsIntPar[kRayOrder] = 1;
    }
    DrawExecute();
}

}  // namespace vorlantic

// The main window's start-up and closing: the state it starts in (the
// language, the optics blocks, the wedge with its schematic, the restricted
// interface) and what it frees when it closes.
#include "app/Main.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QTimer>
#include <QToolButton>

#include "app/BenchShapes.h"
#include "app/Language.h"
#include "app/MainShared.h"
#include "controls/MyOpenGL.h"
#include "controls/Shapes.h"
#include "controls/ValueListEditor.h"
#include "platform/FloatText.h"
#include "controls/MyProgressBar.h"

namespace vorlantic {

void TfrmMain::FormCreate() {
    FProgramName = "Vorlantic";
    cbIlluminatingUnit->setCurrentIndex(0);
    cbRecordingUnit->setCurrentIndex(0);
    FShowLegend = true;

    FLanguage = std::make_unique<CLanguage>();
    FLangItems = {Lang0, Lang1, Lang2};
    FLanguage->SelectLanguage(0);
    ApplyLanguage();

    FStepCount = 0;
    FDrawIntervalBase = 10;
    FRMax = 1;
    FRMin = 0;
    FNodeX.reset();
    FNodeY.reset();
    FNodeR.reset();
    FNodeP.reset();
    FNodeUx.reset();
    FNodeUy.reset();

    FPlot = MyOpenGL1->AddQuadrilaterals(0, 0, 1, 1, 255);
    FContourLevels = 30;
    FContourVariable = 0;

    // The designed list has five rows; the two empty ones go.
    ValList->DeleteRow(4);
    ValList->DeleteRow(4);
    ValueList2->hide();
    ValueList2->InsertRow("Shock Mach Number", "3.0");
    ValueList2->InsertRow("Ratio of Specific heats", "1.4");

    FNodeCount = 0;
    FCaseText = "Click above button to select a case";
    Label1->setText(FCaseText);

    btnOKClick();

    FMaxRays = FElementCount = FMaxPar = FMaxRaySets = FMaxElements = 0;
    OpenOptics();

    FOpticsRealPar = std::make_unique<double[]>(FMaxPar);
    FOpticsIntPar = std::make_unique<int[]>(FMaxPar);
    FElementPar = std::make_unique<double[]>(static_cast<std::size_t>(FMaxElements) * FMaxPar);
    FElementCode = std::make_unique<int[]>(static_cast<std::size_t>(FMaxElements) * FMaxPar);
    std::size_t rayPoints = static_cast<std::size_t>(FMaxElements) * FMaxRays * FMaxRaySets;
    FRayX = std::make_unique<double[]>(rayPoints);
    FRayY = std::make_unique<double[]>(rayPoints);
    FRayResult = std::make_unique<double[]>(3);
    FRaySetCount = 0;

    ViewOpticalModel1Click();

    FPhotoValue.reset();
    FPhotoY.reset();
    FPhotoX.reset();

    FOpticsIntPar[kImagePlace] = 3;
    FOpticsIntPar[1] = 0;
    FOpticsIntPar[kWindowSet] = 0;
    FOpticsIntPar[kColour] = 0;
    FOpticsIntPar[kRayOrder] = 1;

    FRestrictedUI = false;
    FPhotoMode = false;
    WatchDefault();
    FRestrictedUI = true;

    allspeedbuttoninvisible();
    sbWedge->show();
    sbCone->show();
    sbWedgeClick();

    TrackBar1->setValue(3);
    ValList->SetValue(2, platform::FloatToQString(1.5));
    // Redraw the schematic with the Mach number the row now holds.
    sbWedgeClick();

    View1->menuAction()->setVisible(false);
    SetToolVisible(tbObjProperty, false);
    Language1->menuAction()->setVisible(false);
    Edit1->menuAction()->setVisible(false);
    Run1->menuAction()->setVisible(false);
    if (FRestrictedUI) {
        SetToolVisible(sbGrayscale, false);
        SetToolVisible(tbViewModels, false);
        File1->menuAction()->setVisible(false);
        Help1->menuAction()->setVisible(false);
    }
    UpdateMenuBar();
}

void TfrmMain::FormClose() {
    Timer1->stop();
    TimerSection->stop();
    // A row still being edited closes with the window: nothing to check.
    for (TValueListEditor* list : {ValList, ValueList2}) disconnect(list, nullptr, this, nullptr);
    FLanguage.reset();
    FShapeManeger.reset();
    FLight.reset();
    FFirstLense.reset();
    FRecordingLense.reset();
    FFilm.reset();
    FCutoff.reset();
    FSection.reset();
    FRealPar.reset();
    FIntPar.reset();
    if (FNodeX) {
        // The plot borrows these arrays.
        FPlot->setVariables(nullptr, nullptr, 0, nullptr, nullptr, nullptr, nullptr);
        FPlot->Image = FPlot->Intensity = FPlot->ImageGridX = FPlot->ImageGridY = nullptr;
        FNodeX.reset();
        FNodeY.reset();
        FNodeR.reset();
        FNodeP.reset();
        FNodeUx.reset();
        FNodeUy.reset();
        FCellNodes.reset();
        FHangNodes.reset();
        FPhotoX.reset();
        FPhotoY.reset();
        FPhotoValue.reset();
        FPhotoCellNodes.reset();
        FPhotoImage.reset();
        FNodeCount = FCellCount = FHangCount = FPhotoNodeCount = FPhotoCellCount = 0;
    }
    if (FOpticsRealPar) {
        FOpticsRealPar.reset();
        FElementPar.reset();
        FRayX.reset();
        FRayY.reset();
        FElementCode.reset();
        FOpticsIntPar.reset();
        FRayResult.reset();
    }
    CloseOptics();
    FClosed = true;
}

void TfrmMain::FileExit1Click() { close(); }

}  // namespace vorlantic

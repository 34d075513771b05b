// The optical-bench editor of the main window: building the bench, placing
// its elements on the schematic, the mouse, the rays of the schematic and the
// flattening of the bench into the element tables.
#include <QComboBox>
#include <QTabWidget>

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>

#include "app/BenchShapes.h"
#include "app/Main.h"
#include "app/ObjectDetails.h"
#include "platform/Errors.h"

namespace vorlantic {

namespace {

// World box of the schematic, in bench units; the optical axis is y = 0.
constexpr double kModelX0 = -1200;
constexpr double kModelY0 = -100;
constexpr double kModelWidth = 2400;
constexpr double kModelHeight = 200;

// Parameter slots of the elements (counted from 0).
constexpr int kGlobalX = 0, kGlobalY = 1, kGlobalZ = 2;
constexpr int kLensF = 3, kLensDiameter = 4;
constexpr int kSectionDepth = 3, kSectionDiameter = 4;
constexpr int kFilmLength = 3, kFilmNormalX = 5;
constexpr int kCutoffDiameter = 3;

constexpr int kRayPoints = 5;
constexpr int kSectionPictures = 3;

// A pixel coordinate truncated toward zero; NaN gives 0 and the value is
// held within the int range, so a degenerate image cannot overflow.
int Pixel(double value) {
    if (std::isnan(value)) return 0;
    constexpr double lo = std::numeric_limits<int>::min(), hi = std::numeric_limits<int>::max();
    return static_cast<int>(std::clamp(value, lo, hi));
}

// The pixel at or left of (above) a coordinate: edges of a placed rectangle
// keep its size also where it reaches past the left or top border.
int PixelEdge(double value) { return Pixel(std::floor(value)); }

}  // namespace

// ---------------------------------------------------------------- building

void TfrmMain::btnOKClick() {
    FShapeManeger.reset();
    FFirstLense.reset();
    FRecordingLense.reset();
    FSection.reset();
    FFilm.reset();
    FSectionPicture = 0;

    FShapeManeger = std::make_unique<ShapeManeger>(&ImageModel->Canvas);

    if (cbIlluminatingUnit->currentIndex() == 0) {
        if (!FLight) {
            FLight = std::make_unique<TLight>(56, 46, 64, 54);
            FLight->Name = "Light";
            FLight->Params[kGlobalX] = -1000;
            FLight->Params[kGlobalY] = 0.000123;
            FLight->Params[kGlobalZ] = 0.000213;
        }
        FFirstLense = std::make_unique<TLense>(120, 10, 135, 90);
        FFirstLense->Name = "First Lense";
        FFirstLense->Params[kGlobalX] = -500;
        FFirstLense->Params[kLensF] = 500;
        FFirstLense->Params[kLensDiameter] = 430;
        FShapeManeger->Add(FLight.get());
        FShapeManeger->Add(FFirstLense.get());
    }

    FSection = std::make_unique<TSection>(150, 10, 290, 90);
    FSection->Name = "Section";
    FSection->Params[kGlobalX] = 0;
    FSection->Params[kSectionDepth] = 200;
    FSection->Params[kSectionDiameter] = 100;
    FShapeManeger->Add(FSection.get());

    const int unit = cbRecordingUnit->currentIndex();
    if (unit == 0 || unit == 1) {
        FRecordingLense = std::make_unique<TLense>(312, 10, 327, 90);
        FRecordingLense->Name = "Recording Lense";
        FRecordingLense->Params[kGlobalX] = 500;
        FRecordingLense->Params[kLensF] = 200;
        FRecordingLense->Params[kLensDiameter] = 450;
        FFilm = std::make_unique<TFilm>(409, 20, 411, 80);
        FFilm->Name = "Film";
        FFilm->Params[kGlobalX] = 900;
        FFilm->Params[kFilmLength] = -1;
        FFilm->Params[kFilmNormalX] = -1;
        FShapeManeger->Add(FRecordingLense.get());
        FShapeManeger->Add(FFilm.get());
    }
    if (unit == 1) {
        if (!FCutoff) {
            // At the image of the light source from the last schematic trace.
            FCutoff = std::make_unique<TCutoff>(409, 20, 411, 80);
            FCutoff->Name = "Cutoff";
            if (FRayResult)
                for (int i = 0; i < 3; ++i) FCutoff->Params[kGlobalX + i] = FRayResult[i];
            FCutoff->Params[kCutoffDiameter] = 10;
        }
        FShapeManeger->Add(FCutoff.get());
    }

    FModelX0 = kModelX0;
    FModelY0 = kModelY0;
    FModelWidth = kModelWidth;
    FModelHeight = kModelHeight;
    DrawModel();
    if (FNodeR && FNodeCount > 0) DrawExecute();

    cbIlluminatingUnit->setEditable(false);
    cbRecordingUnit->setEditable(false);
    if (frmProperty) frmProperty->ApplyValues();
}

// ---------------------------------------------------------------- world and image

void TfrmMain::WorldToImage(double x, double y, double& px, double& py) const {
    const double w = ImageModel->width(), h = ImageModel->height();
    px = (x - FModelX0) * (w / FModelWidth);
    py = h - (y - FModelY0) * (h / FModelHeight);
}

void TfrmMain::ImageToWorld(double px, double py, double& x, double& y) const {
    const double w = ImageModel->width(), h = ImageModel->height();
    x = px / (w / FModelWidth) + FModelX0;
    y = (h - py) / (h / FModelHeight) + FModelY0;
}

void TfrmMain::PlaceShape(BaseShape* shape) {
    if (!shape) return;
    const int w = shape->Rect.Width(), h = shape->Rect.Height();
    double px, py;
    WorldToImage(shape->Params[kGlobalX], shape->Params[kGlobalY], px, py);
    shape->SetRect(PixelEdge(px - w / 2), PixelEdge(py - h / 2), PixelEdge(px + w - w / 2), PixelEdge(py + h - h / 2));
}

void TfrmMain::PlaceShapes() {
    if (!FShapeManeger) return;
    for (BaseShape* shape : FShapeManeger->ShapeList) PlaceShape(shape);
}

void TfrmMain::ShapeToWorld(BaseShape* shape) {
    if (!shape) return;
    const TRect& r = shape->Rect;
    ImageToWorld(r.Left + r.Width() / 2, r.Top + r.Height() / 2, shape->Params[kGlobalX], shape->Params[kGlobalY]);
}

// ---------------------------------------------------------------- element tables and rays

int TfrmMain::FlattenShapes() {
    if (!FShapeManeger || !FElementPar || !FElementCode) return 0;
    const int count = std::min(FShapeManeger->Count(), FMaxElements);
    for (int e = 0; e < count; ++e) {
        const BaseShape* shape = FShapeManeger->ShapeList[e];
        const int row = e * FMaxPar;
        for (int p = 0; p < std::min(shape->ParamCount, FMaxPar); ++p) FElementPar[row + p] = shape->Params[p];
        for (int c = 0; c < std::min(shape->CodeCount, FMaxPar); ++c)
            FElementCode[row + c] = static_cast<int>(shape->Codes[c]);
    }
    return count;
}

void TfrmMain::TraceRays() {
    if (!FShapeManeger || !FElementPar || !FElementCode) return;
    if (FOpticsRealPar) FOpticsRealPar[0] = 0;
    FRaySetCount = 1;
    FElementCount = FlattenShapes();
    if (FElementCount > 0 && FRayX && FRayY && FRayResult && FOpticsRealPar && FOpticsIntPar)
        TraceSchematic();
}

void TfrmMain::DrawRays() {
    if (!FRayX || !FRayY) return;
    BenchCanvas& canvas = ImageModel->Canvas;
    const int sets = std::min(FRaySetCount, FMaxRaySets);
    for (int i = 0; i < sets; ++i) {
        for (int j = 0; j < FMaxRays; ++j) {
            auto point = [&](int k) {
                const int index = j + FMaxRays * (k + FMaxElements * i);
                double px, py;
                WorldToImage(FRayX[index], FRayY[index], px, py);
                return QPoint(Pixel(px), Pixel(py));
            };
            const QPoint start = point(0);
            canvas.MoveTo(start.x(), start.y());
            for (int k = 0; k < kRayPoints; ++k) {
                const QPoint p = point(k);
                canvas.LineTo(p.x(), p.y());
            }
        }
    }
}

void TfrmMain::DrawModel() {
    if (!FShapeManeger || !PanelBottom->isVisibleTo(this)) return;
    ImageModel->Canvas.Clear();
    PlaceShapes();
    TraceRays();
    DrawRays();
    FShapeManeger->DrawAll();
    ImageModel->update();
}

void TfrmMain::TabSheetModelResize() {
    PanelModel->move(cbIlluminatingUnit->x() + cbIlluminatingUnit->width() + 2, PanelModel->y());
    const int width = std::max(0, PageOpticalModel->width() - cbIlluminatingUnit->x() - PanelModel->x() - 2);
    const int height = TabSheetModel->height() + 2;
    PanelModel->resize(width, height);
    ImageModel->setGeometry(0, 0, width, height);
    ImageModel->Canvas.Clear();
    ImageModel->Canvas.SetSize(ImageModel->width(), ImageModel->height());
    DrawModel();
}

// ---------------------------------------------------------------- mouse

void TfrmMain::ImageModelMouseDown(Qt::MouseButton button, int x, int y) {
    if (!FShapeManeger) return;
    if (FShapeManeger->SelectAt(x, y)) {
        DrawModel();
        ImageModel->Canvas.Clear();
        PlaceShapes();
        DrawRays();
        FShapeManeger->DrawAll();
        ImageModel->update();
    }
    if (button != Qt::RightButton) {
        FShapeManeger->MouseDown(x, y);
        return;
    }
    if (!frmProperty) return;
    frmProperty->cbObjects->setCurrentIndex(-1);
    if (BaseShape* focus = FShapeManeger->Focus()) {
        frmProperty->show();
        const auto& list = FShapeManeger->ShapeList;
        auto it = std::find(list.begin(), list.end(), focus);
        if (it != list.end()) frmProperty->cbObjects->setCurrentIndex(static_cast<int>(it - list.begin()));
    }
    frmProperty->cbObjectsChange();
}

void TfrmMain::ImageModelMouseMove(Qt::MouseButtons, int x, int y) {
    if (!FShapeManeger) return;
    FShapeManeger->HoverAt(x, y);
    if (!FShapeManeger->DragTo(x, y)) return;
    ImageModel->Canvas.Clear();
    ShapeToWorld(FShapeManeger->Focus());
    DrawModel();
    if (FNodeR && FNodeCount > 0) DrawExecute();
}

void TfrmMain::ImageModelMouseUp(Qt::MouseButton, int x, int y) {
    if (!FShapeManeger) return;
    FShapeManeger->MouseUp(x, y);
    update();
    ImageModel->update();
}

void TfrmMain::ObjectProperties1Click() {
    if (!frmProperty) return;
    frmProperty->show();
    if (frmProperty->cbObjects->currentIndex() < 0)
        frmProperty->cbObjects->setPlaceholderText("Please select an Object!");
}

// ---------------------------------------------------------------- test-section picture

void TfrmMain::TimerSectionTimer() {
    // Nothing is shown, so nothing is loaded, while the bench panel is hidden.
    if (!FSection || !PanelBottom->isVisibleTo(this)) return;
    const std::string name = SectionPictureName(FSectionPicture);
    FSectionPicture = (FSectionPicture + 1) % kSectionPictures;
    try {
        FSection->LoadBitmap(name);
    } catch (const std::exception& e) {
        // An empty section where the picture is missing. Each file is
        // reported once, one message at a time: the timer runs on while a
        // message is up.
        FSection->Bitmap = QImage();
        if (!FSectionErrorShown && FSectionPicturesReported.insert(name).second) {
            FSectionErrorShown = true;
            platform::ShowException(e);
            FSectionErrorShown = false;
        }
    }
    // The bench may have been rebuilt while a message was up.
    if (!FSection) return;
    FSection->Draw();
    if (FSection->Focused) FSection->DrawFocus();
    ImageModel->update();
}

}  // namespace vorlantic

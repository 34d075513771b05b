// Run control of the main window: Start, Pause, Step and Stop, the run
// timer that advances the run one step per tick and draws every few steps,
// and the end of a run. The library's calls and their stops are in
// MainLibrary.cpp.
#include "app/Main.h"

#include <QAction>
#include <QLabel>
#include <QPalette>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cmath>

#include "app/MainShared.h"
#include "controls/MyOpenGL.h"
#include "controls/MyProgressBar.h"
#include "controls/Shapes.h"
#include "controls/ValueListEditor.h"

namespace vorlantic {

bool TfrmMain::PreProcessingforRun1() {
    FRealPar = std::make_unique<double[]>(kParBlock);
    FIntPar = std::make_unique<int[]>(kParBlock);
    // Slot k of the library's blocks is element k - 1 here.
    double mach = 0, angle = 0, gamma = 0;
    if (FCaseId == 1 || FCaseId == 3) {
        mach = RowValue(ValueList2, 1);
        gamma = RowValue(ValueList2, 2);
    } else {
        angle = RowValue(ValList, 1);
        mach = RowValue(ValList, 2);
        gamma = RowValue(ValList, 3);
    }
    FRealPar[1] = mach;
    FRealPar[2] = angle;
    FRealPar[3] = gamma;
    FIntPar[1] = 0;
    FIntPar[2] = FCaseId == 3 || FCaseId == 4 || FCaseId == 6 ? 1 : 0;
    FIntPar[3] = 0;
    FIntPar[4] = FCaseId;
    FIntPar[5] = std::clamp(TrackBar1->value(), 0, kMaxResolution);

    FRunHeld = true;
    FStepCount = 0;
    if (!StartLibraryRun()) return false;


    FProgress = 0;
    MyProgressBar1->SetTextForeColor(palette().color(QPalette::Highlight));
    SetImageIndex(tbPause, kImagePause);
    MyOpenGL1->DraftOn = false;
    Label1->setText(FCaseText);
    return true;
}

void TfrmMain::AllocateNodeArrays() {
    std::size_t n = static_cast<std::size_t>(FCapacity);
    FNodeX = std::make_unique<double[]>(n);
    FNodeY = std::make_unique<double[]>(n);
    FNodeR = std::make_unique<double[]>(n);
    FNodeP = std::make_unique<double[]>(n);
    FNodeUx = std::make_unique<double[]>(n);
    FNodeUy = std::make_unique<double[]>(n);
    FCellNodes = std::make_unique<int[]>(4 * n);
    FHangNodes = std::make_unique<int[]>(n);
    FPhotoX = std::make_unique<double[]>(n);
    FPhotoY = std::make_unique<double[]>(n);
    FPhotoValue = std::make_unique<double[]>(n);
    FPhotoCellNodes = std::make_unique<int[]>(4 * n);
    // Written by the library before it is read.
    FPhotoImage = std::make_unique_for_overwrite<double[]>(kPictureValues);
}

void TfrmMain::tbRun1Click() {
    FDrawInterval = FDrawIntervalBase;
    FStepMode = false;
    if (PreProcessingforRun1()) Timer1->start();
}

void TfrmMain::tbPauseClick() {
    if (FStepCount == 0) return;
    if (Timer1->isActive())
        Timer1->stop();
    else
        Timer1->start();
    if (Timer1->isActive()) {
        SetImageIndex(tbPause, kImagePause);
        SetImageIndex(mnuPause1, kImagePause);
        tbPause->setToolTip(Text("Pause"));
        mnuPause1->setText("Pause");
        FStepMode = false;
        FDrawInterval = FDrawIntervalBase;
    } else {
        SetImageIndex(tbPause, kImageResume);
        SetImageIndex(mnuPause1, kImageResume);
        tbPause->setToolTip(Text("Resume"));
        mnuPause1->setText("Resume");
    }
}

void TfrmMain::StepbyStepClick() {
    FDrawInterval = 1;
    FStepMode = true;
    if (FStepCount == 0 && !PreProcessingforRun1()) return;
    Timer1->start();
}

void TfrmMain::StopComputationClick() {
    // Before the first run there is no run to end and no array to fetch into;
    // after a stop of the library no run is left.
    if (!FNodeX || (!FRunHeld && FStepCount == 0)) return;
    FProgress = 1.5;
    Timer1->start();
}

void TfrmMain::TakeFirstFetchRanges() {
    if (FNodeCount <= 0) return;
    auto range = [this](const double* values, double& lo, double& hi) {
        auto [a, b] = std::minmax_element(values, values + FNodeCount);
        lo = *a;
        hi = *b;
    };
    range(FNodeR.get(), FRMin, FRMax);
    range(FNodeP.get(), FPMin, FPMax);
    range(FNodeUx.get(), FUxMin, FUxMax);
    range(FNodeUy.get(), FUyMin, FUyMax);

    // Shortest distance from node 0 of a cell to its other nodes.
    auto node = [this](int c, int k) { return FCellNodes[c + static_cast<std::size_t>(k) * FCapacity] - 1; };
    auto distance = [this](int a, int b) { return std::hypot(FNodeX[b] - FNodeX[a], FNodeY[b] - FNodeY[a]); };
    if (FCellCount > 0) {
        FMinEdge = distance(node(0, 0), node(0, 1));
        for (int c = 0; c < FCellCount; ++c)
            for (int k = 1; k < 4; ++k) FMinEdge = std::min(FMinEdge, distance(node(c, 0), node(c, k)));
    }

    // The largest velocity draws an arrow as long as the shortest edge.
    double speed = std::hypot(FUxMax, FUyMax);
    if (speed == 0) {
        // Both maxima 0: the largest speed at any node, else unit speed.
        for (int n = 0; n < FNodeCount; ++n) speed = std::max(speed, std::hypot(FNodeUx[n], FNodeUy[n]));
        if (speed == 0) speed = 1;
    }
    FPlot->VectorScale = FMinEdge / speed;
}

void TfrmMain::Timer1Timer() {
    Timer1->stop();
    if (FProgress >= 1) {
        FRunHeld = false;
        CloseRecording();
        if (!FetchNodeValues()) return;
        FOpticsIntPar[1] = 0;
        FProgress = 0;
        DrawExecute();
        MyProgressBar1->SetProgress(0);
        MyProgressBar1->SetTextForeColor(kGaugeRed);
        MyProgressBar1->SetText(Text("StartSimulation"));
        ValList->setEnabled(true);
        return;
    }
    if (!StepLibraryRun()) return;
    auto span = MyProgressBar1->MaxValue() - MyProgressBar1->MinValue();
    MyProgressBar1->SetProgress(static_cast<std::int64_t>(static_cast<double>(span) * FProgress));
    MyProgressBar1->SetText(Text("SimulationRunning") + " ($p%)...");
    if (FStepCount % FDrawInterval == 0) {
        if (!FetchNodeValues()) return;
        if (FStepCount == 0) TakeFirstFetchRanges();
        DrawExecute();
        if (!FRunHeld) return;  // the photograph stopped
    }
    ++FStepCount;
    if (!FStepMode) Timer1->start();
}

void TfrmMain::EndRun() {
    Timer1->stop();
    if (FRunHeld) {
        FRunHeld = false;
        CloseRecording();
        FStepCount = 0;
    }
    FOpticsIntPar[1] = 0;
    FProgress = 0;
    MyProgressBar1->SetProgress(0);
    MyProgressBar1->SetTextForeColor(kGaugeRed);
    MyProgressBar1->SetText(Text("StartSimulation"));
    ValList->setEnabled(true);
}

}  // namespace vorlantic

// Stops of the library while the window runs it, through the real window:
// the library's own message in a message box, the run ended, the window
// usable, and the next Start sets up a run that computes. Then the labels of
// a run: a case button or a committed parameter edit during a run ends it
// unless it leaves the run's case and values as they are, and the plot
// shows node values only under the labels they were computed with.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

#include <cmath>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/BenchShapes.h"
#include "controls/MyOpenGL.h"
#include "controls/MyProgressBar.h"
#include "controls/Shapes.h"
#include "controls/ValueListEditor.h"
#include "window_fixture.h"

using namespace vorlantic;

namespace {

using qelta::testing::read_lines;
using qelta::testing::write_file;

// Record n (from 1) of a data file replaced.
void ReplaceRecord(const std::string& file, int n, const std::string& text) {
    std::vector<std::string> lines = read_lines(file);
    lines.at(n - 1) = text;
    std::string all;
    for (const auto& l : lines) all += l + "\n";
    write_file(file, all);
}

class RunStops : public vorlantic::testing::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        control_ = qelta::testing::read_file("control.dat");
        controladv_ = qelta::testing::read_file("controladv.dat");
    }

    void RestoreFiles() {
        write_file("control.dat", control_);
        write_file("controladv.dat", controladv_);
    }

    // The one message shown since the last call holds the text.
    void ExpectOneStopMessage(const std::string& text) {
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_NE(shown[0].text.toStdString().find(text), std::string::npos) << shown[0].text.toStdString();
        EXPECT_EQ(shown[0].caption, "Error");
        EXPECT_EQ(shown[0].icon, platform::MsgIcon::Error);
        shown.clear();
    }

    // The run ended by the stop: no timer, the gauge at its start, the
    // window there and answering.
    void ExpectRunEnded() {
        EXPECT_FALSE(w->Timer1->isActive());
        EXPECT_FALSE(w->FRunHeld);
        EXPECT_EQ(w->FProgress, 0);
        EXPECT_EQ(w->MyProgressBar1->Progress(), 0);
        EXPECT_EQ(w->MyProgressBar1->Text(), "Start Simulation");
        EXPECT_TRUE(w->isVisible());
        EXPECT_TRUE(w->ValList->isEnabled());
        // Pause and Stop have no run to act on.
        w->tbPause->click();
        w->StopComputation->click();
        QTest::qWait(20);
        EXPECT_FALSE(w->Timer1->isActive());
        EXPECT_TRUE(shown.empty());
    }

    // Start runs the case a few steps, with sound states and no message.
    void ExpectStartRuns() {
        w->tbRun1->click();
        ASSERT_TRUE(WaitForSteps(3)) << "steps " << w->FStepCount;
        w->Timer1->stop();
        EXPECT_TRUE(shown.empty());
        ASSERT_GT(w->FNodeCount, 0);
        for (int i = 0; i < w->FNodeCount; ++i) {
            ASSERT_TRUE(w->FNodeR[i] > 0 && std::isfinite(w->FNodeR[i])) << i;
            ASSERT_TRUE(w->FNodeP[i] > 0 && std::isfinite(w->FNodeP[i])) << i;
        }
        EXPECT_FALSE(w->MyOpenGL1->DraftOn);
        EXPECT_EQ(w->FPlot->NodeX, w->FNodeX.get());
    }

private:
    std::string control_, controladv_;
};

struct InputStop {
    const char* name;
    std::function<void()> spoil;
    const char* message;
};

void PrintTo(const InputStop& k, std::ostream* os) { *os << k.name; }

class SetUpStop : public RunStops, public ::testing::WithParamInterface<InputStop> {};

TEST_P(SetUpStop, ShowsTheMessageAndTheNextStartRuns) {
    w->TrackBar1->setValue(0);
    GetParam().spoil();
    w->tbRun1->click();
    ExpectOneStopMessage(GetParam().message);
    ExpectRunEnded();
    // Step sets up afresh too, and stops the same way while the file is bad.
    w->StepbyStep->click();
    ExpectOneStopMessage(GetParam().message);
    EXPECT_FALSE(w->Timer1->isActive());

    RestoreFiles();
    ExpectStartRuns();
}

INSTANTIATE_TEST_SUITE_P(
    Files, SetUpStop,
    ::testing::Values(
        InputStop{"CflFive", [] { ReplaceRecord("control.dat", 2, "5.0"); },
                  "\"control.dat\", record 2 (line 2): the CFL number is 5; it must be a finite number in (0, 1]"},
        InputStop{"ControladvDeleted", [] { std::remove("controladv.dat"); },
                  "Cannot open the file \"controladv.dat\""},
        // The set-up's passes that adapt the grid take solver steps.
        InputStop{"SchemeSix", [] { ReplaceRecord("controladv.dat", 4, "6 1"); }, "Solver has been deleted"}),
    [](const ::testing::TestParamInfo<InputStop>& info) { return std::string(info.param.name); });

// The cylinder keeps the control file's CFL number: at 1e-9 the set-up
// finds that the run would take more steps than a run may, and refuses it
// before the first step.
TEST_F(RunStops, RunTooLongForTheStepLimitIsRefusedAndTheNextStartRuns) {
    ReplaceRecord("control.dat", 2, "1e-9");
    w->sbCylinder->click();
    w->TrackBar1->setValue(0);
    w->tbRun1->click();
    EXPECT_FALSE(w->Timer1->isActive());
    ExpectOneStopMessage("the run would need more than 10000000 steps: its first time step is");
    ExpectRunEnded();

    RestoreFiles();
    ExpectStartRuns();
    EXPECT_EQ(w->FIntPar[4], 1);
}

// A photograph that stops (the light's intensity factor 0) ends the run
// and leaves no half-traced picture in the plot; with the file mended the
// next run is photographed.
TEST_F(RunStops, PhotographStopEndsTheRunAndTheNextStartIsPhotographed) {
    w->FLight->SetupParameters(2);  // a circular light, which reads its point count
    w->FLight->Params[3] = 2;       // diameter
    write_file("controlopt.dat", "2 0.0\n");
    w->sbGrayscaleClick();
    w->TrackBar1->setValue(0);
    w->tbRun1->click();
    ASSERT_TRUE(WaitWhileRunning());
    ExpectOneStopMessage("the intensity factor w is 0");
    ExpectRunEnded();
    EXPECT_EQ(w->FPlot->Image, nullptr);
    EXPECT_EQ(w->FPlot->NodeX, nullptr);
    EXPECT_EQ(w->FPhotoWidth, 0);

    write_file("controlopt.dat", "2 1.0\n");
    w->tbRun1->click();
    ASSERT_TRUE(WaitForSteps(1));
    w->Timer1->stop();
    EXPECT_TRUE(shown.empty());
    EXPECT_GT(w->FPhotoWidth, 0);
    EXPECT_EQ(w->FPlot->Image, w->FPhotoImage.get());
}

// ---------------------------------------------------------------- labels

TEST_F(RunStops, AClickThatChangesNothingLeavesTheRunGoing) {
    w->TrackBar1->setValue(0);
    w->tbRun1->click();
    ASSERT_TRUE(WaitForSteps(2));
    w->sbWedge->click();
    w->ValListClick();
    EXPECT_TRUE(w->FRunHeld);
    const int steps = w->FStepCount;
    ASSERT_TRUE(WaitForSteps(steps + 2));
    EXPECT_FALSE(w->MyOpenGL1->DraftOn);
    EXPECT_EQ(w->FPlot->NodeX, w->FNodeX.get());
    w->Timer1->stop();
    EXPECT_TRUE(shown.empty());
}

// During a 30-degree wedge run, angle 45 typed and Cone clicked: the wedge
// run ends, the panel, the plot and the copy are the cone's schematic, and
// no redraw brings the wedge's flow back under the cone's labels.
TEST_F(RunStops, ACaseButtonWithAnEditDuringARunEndsItFirst) {
    w->TrackBar1->setValue(0);
    w->tbRun1->click();
    ASSERT_TRUE(WaitForSteps(2));
    ASSERT_EQ(w->FRealPar[2], 30);
    ASSERT_TRUE(TypeIntoRow(1, "45"));
    w->sbCone->click();
    EXPECT_FALSE(w->Timer1->isActive());
    EXPECT_FALSE(w->FRunHeld);
    EXPECT_EQ(w->FStepCount, 0);
    EXPECT_EQ(w->MyProgressBar1->Text(), "Start Simulation");
    EXPECT_EQ(w->FCaseId, 4);
    EXPECT_EQ(w->Label1->text(), w->sbCone->toolTip());
    EXPECT_EQ(w->ValList->Value(1), "45");
    EXPECT_TRUE(w->MyOpenGL1->DraftOn);
    EXPECT_EQ(w->MyOpenGL1->DraftType, 1);
    EXPECT_EQ(w->FPlot->NodeX, nullptr);

    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{w->chkMesh, w->chkMesh, w->chkVector})
        b->click();
    w->tbCopy1->click();
    EXPECT_TRUE(w->MyOpenGL1->DraftOn);
    EXPECT_EQ(w->FPlot->NodeX, nullptr);
    EXPECT_TRUE(shown.empty());

    // The cone's own run then draws under the cone's labels.
    w->tbRun1->click();
    ASSERT_TRUE(WaitForSteps(1));
    w->Timer1->stop();
    EXPECT_EQ(w->FIntPar[4], 4);
    EXPECT_EQ(w->FRealPar[2], 45);
    EXPECT_FALSE(w->MyOpenGL1->DraftOn);
    EXPECT_EQ(w->FPlot->NodeX, w->FNodeX.get());
}

// A committed edit of the running case's values ends the run as well, and
// Step then sets up the new values.
TEST_F(RunStops, ACommittedEditDuringARunEndsIt) {
    w->TrackBar1->setValue(0);
    w->tbRun1->click();
    ASSERT_TRUE(WaitForSteps(2));
    ASSERT_TRUE(TypeIntoRow(2, "2.5"));
    w->chkMesh->click();  // commits the edit
    EXPECT_FALSE(w->FRunHeld);
    EXPECT_FALSE(w->Timer1->isActive());
    EXPECT_TRUE(w->MyOpenGL1->DraftOn);
    EXPECT_EQ(w->FPlot->NodeX, nullptr);
    w->StepbyStep->click();
    ASSERT_TRUE(WaitWhileRunning());
    EXPECT_EQ(w->FRealPar[1], 2.5);
    EXPECT_EQ(w->FStepCount, 1);
    EXPECT_FALSE(w->MyOpenGL1->DraftOn);
    EXPECT_TRUE(shown.empty());
}

}  // namespace

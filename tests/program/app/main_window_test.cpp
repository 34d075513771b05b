// The main window with the library: the start-up state, the parameter checks
// and case switching, a real run of the wedge through the run timer with its
// pause, step and stop, the view fit, the Tecplot export, the photograph of
// the run, the languages and the photograph-mode switch. Each test runs in a
// process of its own (the library's state is process-wide); the fixture is
// window_fixture.h.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QPushButton>
#include <algorithm>
#include <climits>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/BenchShapes.h"
#include "controls/MyOpenGL.h"
#include "controls/MyProgressBar.h"
#include "controls/Shapes.h"
#include "controls/ValueListEditor.h"
#include "app/Startup.h"
#include "platform/StrictConvert.h"
#include "render_support.h"
#include "window_fixture.h"

using namespace vorlantic;
namespace fs = std::filesystem;

namespace {

using qelta::testing::read_lines;
using vorlantic::testing::distance;
using vorlantic::testing::frame;
using vorlantic::testing::pixelOf;

class MainWindow : public vorlantic::testing::MainWindowFixture {
protected:
    // A run at the lowest resolution, stopped after its first step (fetched
    // and drawn).
    bool TakeOneStep() {
        w->TrackBar1->setValue(0);
        w->tbRun1Click();
        bool stepped = WaitForSteps(1);
        w->Timer1->stop();
        return stepped && w->FNodeCount > 0;
    }
};

// The window started in a working directory without the test-section
// pictures.
class WithoutPictures : public MainWindow {
protected:
    void BeforeShow() override { fs::remove_all("pics"); }
};

// A scene object whose drawing fails, as an allocation in a paint may.
class FailingObject : public TGLObject {
public:
    void Draw(unsigned) override { throw std::bad_alloc(); }
    TGLObject* ConstructObject() override { return new FailingObject; }
};

// ---------------------------------------------------------------- start-up

TEST_F(MainWindow, StartsWithTheWedgeAndARestrictedInterface) {
    EXPECT_EQ(frmMain, w);
    EXPECT_EQ(w->windowTitle(), "Vorlantic:  Brelvane");
    EXPECT_EQ(w->FCaseId, 2);
    EXPECT_TRUE(w->sbWedge->isChecked());
    EXPECT_EQ(w->Label1->text(), "Wedge");
    EXPECT_TRUE(shown.empty());

    // Only the wedge and cone buttons; no menu; the tool buttons of the
    // photograph mode, the bench panel and the property dialog hidden.
    EXPECT_TRUE(visible(w->sbWedge));
    EXPECT_TRUE(visible(w->sbCone));
    for (QToolButton* b : {w->sbSphere, w->sbCylinder, w->sbCylindricalexplosion, w->sbMore, w->sbNACA0012})
        EXPECT_FALSE(visible(b)) << b->toolTip().toStdString();
    for (QMenu* m : {w->File1, w->Edit1, w->View1, w->Run1, w->Watch1, w->Help1})
        EXPECT_FALSE(m->menuAction()->isVisible()) << m->title().toStdString();
    EXPECT_FALSE(w->menuBar()->isVisible());
    for (QToolButton* b : {w->tbObjProperty, w->sbGrayscale, w->tbViewModels})
        EXPECT_FALSE(visible(b)) << b->toolTip().toStdString();
    for (QToolButton* b : {w->tbRun1, w->tbPause, w->StepbyStep, w->StopComputation, w->tbCopy1, w->sbLegend,
                           w->tbViewSpecifications, w->tbLeft, w->tbRight, w->tbUp, w->tbDown, w->tbZoomIn,
                           w->tbZoomOut, w->tbRestore, w->tbAbout1})
        EXPECT_TRUE(visible(b)) << b->toolTip().toStdString();
    EXPECT_FALSE(visible(w->PanelBottom));
    EXPECT_TRUE(visible(w->PanelSpeed));
    EXPECT_TRUE(visible(w->MyProgressBar1));
    EXPECT_TRUE(w->TimerSection->isActive());

    // The wedge's rows: the Mach number set to 1.5 at start-up.
    EXPECT_TRUE(visible(w->ValList));
    EXPECT_FALSE(visible(w->ValueList2));
    ASSERT_EQ(w->ValList->DataRowCount(), 3);
    EXPECT_EQ(w->ValList->Key(1), "Wedge Angle (Degrees): ");
    EXPECT_EQ(w->ValList->Key(2), "Shock Mach Number: ");
    EXPECT_EQ(w->ValList->Key(3), "Ratio of Specific Heats: ");
    EXPECT_EQ(w->ValList->Value(1), "30.0");
    EXPECT_EQ(w->ValList->Value(2), "1.5");
    EXPECT_EQ(w->ValList->Value(3), "1.4");
    // The schematic shows the values of the rows.
    EXPECT_TRUE(w->MyOpenGL1->DraftOn);
    EXPECT_DOUBLE_EQ(w->MyOpenGL1->DraftMach, 1.5);
    EXPECT_DOUBLE_EQ(w->MyOpenGL1->DraftAngle, 30);
    EXPECT_EQ(w->ValList->Title(0), "Parameters");
    EXPECT_EQ(w->ValList->Title(1), "Value");
    ASSERT_EQ(w->ValueList2->DataRowCount(), 2);
    EXPECT_EQ(w->ValueList2->Value(1), "3.0");
    EXPECT_EQ(w->TrackBar1->value(), 3);

    // The wedge schematic is drawn; no run has happened.
    EXPECT_TRUE(w->MyOpenGL1->DraftOn);
    EXPECT_EQ(w->MyOpenGL1->DraftType, 0);
    EXPECT_EQ(w->FStepCount, 0);
    EXPECT_FALSE(w->Timer1->isActive());
    EXPECT_EQ(w->FNodeX, nullptr);
    EXPECT_EQ(w->FRealPar, nullptr);
    EXPECT_EQ(w->FNodeCount, 0);
    EXPECT_EQ(w->MyProgressBar1->Text(), "Start Simulation");

    // The optics tables as the library sizes them, and the iopara defaults.
    EXPECT_EQ(w->FMaxElements, 20);
    EXPECT_EQ(w->FMaxPar, 20);
    EXPECT_EQ(w->FMaxRays, 5);
    EXPECT_EQ(w->FMaxRaySets, 5);
    EXPECT_EQ(w->FOpticsIntPar[0], 3);
    EXPECT_EQ(w->FOpticsIntPar[2], 0);
    EXPECT_EQ(w->FOpticsIntPar[4], 0);
    EXPECT_EQ(w->FOpticsIntPar[5], 1);
    EXPECT_TRUE(w->Imageonrecordingplane1->isChecked());
    EXPECT_TRUE(w->FIncludeFlow);
    EXPECT_TRUE(w->FShowLegend);
    EXPECT_TRUE(w->FRestrictedUI);
    EXPECT_EQ(w->FContourLevels, 30);
}

TEST_F(MainWindow, ClosingBeforeAnyRunFreesWhatExists) {
    bool closed = false;
    QObject::connect(w, &TfrmMain::FormClosed, [&] { closed = true; });
    EXPECT_TRUE(w->close());
    EXPECT_TRUE(closed);
    EXPECT_FALSE(w->Timer1->isActive());
    EXPECT_EQ(w->FLanguage, nullptr);
    EXPECT_EQ(w->FOpticsRealPar, nullptr);
    EXPECT_EQ(w->FElementPar, nullptr);
    EXPECT_EQ(w->FRayResult, nullptr);
    EXPECT_EQ(w->FShapeManeger, nullptr);
    EXPECT_TRUE(shown.empty());
}

TEST_F(MainWindow, LeftPanelStacksFromTheBottomAndToggles) {
    auto stacked = [&] {
        int top = w->PanelLeft->mapTo(w->centralWidget(), QPoint(0, 0)).y();
        EXPECT_EQ(w->grpPlot->y(), top + w->PanelLeft->height() - w->grpPlot->height() - 30);
        EXPECT_EQ(w->MyProgressBar1->y(), w->grpPlot->y() - w->MyProgressBar1->height() - 2);
        EXPECT_EQ(w->PanelSpeed->y(), w->MyProgressBar1->y() - w->PanelSpeed->height() - 2);
        EXPECT_EQ(w->ValList->y() + w->ValList->height(), w->PanelSpeed->y() - 2);
    };
    stacked();
    w->resize(894, 800);
    QTest::qWait(20);
    stacked();

    w->ViewSpecificationsClick();
    EXPECT_FALSE(visible(w->PanelLeft));
    EXPECT_EQ(w->tbViewSpecifications->toolTip(), "Specification Panel");
    w->resize(894, 700);
    w->ViewSpecificationsClick();
    QTest::qWait(20);
    EXPECT_TRUE(visible(w->PanelLeft));
    EXPECT_EQ(w->tbViewSpecifications->toolTip(), "Close Specification Panel");
    stacked();
}

TEST_F(WithoutPictures, SectionTimerLoadsNothingWhileTheBenchIsHiddenAndReportsEachMissingPictureOnce) {
    // The bench panel is hidden at start-up: nothing loaded, nothing reported.
    QTest::qWait(350);
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(w->FSection->Bitmap.isNull());
    EXPECT_EQ(w->FSectionPicture, 0);

    // Shown: each missing picture reported once, however many ticks pass,
    // and the section empty.
    w->ViewOpticalModel1Click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.size() >= 3; }, 5000));
    QTest::qWait(450);
    ASSERT_EQ(shown.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(shown[i].text.contains(QString("pics/rectsection%1.bmp").arg(i))) << shown[i].text.toStdString();
    const TRect& r = w->FSection->Rect;
    EXPECT_EQ(w->ImageModel->Canvas.Image().pixelColor(r.Left + r.Width() / 2, r.Top + r.Height() / 2),
              QColor(Qt::white));

    // The window answers, and a picture put back is shown; gone again, it is
    // not reported again.
    w->sbCone->click();
    EXPECT_EQ(w->FCaseId, 4);
    fs::create_directory("pics");
    fs::copy_file(fs::path(QELTA_DATA_DIR) / "pics" / "rectsection0.bmp", "pics/rectsection0.bmp");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w->FSection->Bitmap.isNull(); }, 2000));
    fs::remove("pics/rectsection0.bmp");
    QTest::qWait(350);
    EXPECT_TRUE(w->FSection->Bitmap.isNull());
    EXPECT_EQ(shown.size(), 3u);
}

// ---------------------------------------------------------------- cases and checks

TEST_F(MainWindow, ParameterChecksCorrectWrongValues) {
    struct Case {
        int caseId;
        int row;
        const char* typed;
        const char* message;  // "" for none
        const char* caption;
        const char* value;
    };
    const Case cases[] = {
        {2, 1, "-5", "Wedge angle should be positive.", "Error", "0.001"},
        {2, 1, "120", "Wedge angle should be below 90 degrees.", "Error", "90"},
        {4, 1, "-1", "Wedge angle should be positive.", "Error", "0.001"},
        {2, 2, "0.5", "Shock Mach number must be greater than 1.", "Error", "1.001"},
        {2, 2, "12",
         "Numerical results can be different from the reality significantly for a strong shock wave. "
         "The Mach number is set below 10.",
         "Warning", "10"},
        {4, 3, "0.9", "The ratio of specific heats should be greater than 1.", "Error", "1.001"},
        {2, 3, "3.5", "The ratio of specific heats should be at most 3.", "Error", "3"},
        // Not a number: the default without a message.
        {2, 1, "abc", "", "", "30"},
        {2, 2, "", "", "", "3"},
        {2, 3, "x1", "", "", "1.4"},
        // The limits pass.
        {2, 1, "0", "", "", "0"},
        {4, 1, "90", "", "", "90"},
        {2, 2, "1", "", "", "1"},
        {2, 2, "10", "", "", "10"},
        {2, 3, "1", "", "", "1"},
        {4, 3, "3", "", "", "3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.typed) + " in row " + std::to_string(c.row));
        (c.caseId == 2 ? w->sbWedge : w->sbCone)->click();
        ASSERT_EQ(w->FCaseId, c.caseId);
        w->ValList->SetValue(1, "30");
        w->ValList->SetValue(2, "2");
        w->ValList->SetValue(3, "1.4");
        w->ValList->SetValue(c.row, c.typed);
        shown.clear();
        emit w->ValList->KeyDown(kVkReturn);
        EXPECT_EQ(w->ValList->Value(c.row), c.value);
        if (*c.message) {
            ASSERT_EQ(shown.size(), 1u);
            EXPECT_EQ(shown[0].text, c.message);
            EXPECT_EQ(shown[0].caption, c.caption);
            EXPECT_EQ(shown[0].buttons, platform::MsgButtons::Ok);
        } else {
            EXPECT_TRUE(shown.empty()) << shown[0].text.toStdString();
        }
        // The schematic is redrawn with the corrected values.
        EXPECT_EQ(w->MyOpenGL1->DraftType, c.caseId == 2 ? 0 : 1);
        EXPECT_DOUBLE_EQ(w->MyOpenGL1->DraftAngle, platform::StrToFloat(w->ValList->Value(1)));
        EXPECT_DOUBLE_EQ(w->MyOpenGL1->DraftMach, platform::StrToFloat(w->ValList->Value(2)));
    }

    // Keys other than Enter do nothing; a click re-checks.
    w->ValList->SetValue(1, "-5");
    shown.clear();
    emit w->ValList->KeyDown(Qt::Key_A);
    EXPECT_EQ(w->ValList->Value(1), "-5");
    EXPECT_TRUE(shown.empty());
    emit w->ValList->Click();
    EXPECT_EQ(w->ValList->Value(1), "0.001");
    EXPECT_EQ(shown.size(), 1u);

    // Typed into the cell and ended with Enter: stored, then checked.
    QTableWidgetItem* cell = w->ValList->item(1, 1);
    w->ValList->setCurrentItem(cell);
    w->ValList->editItem(cell);
    auto* editor = w->ValList->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, "25");
    shown.clear();
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::qWait(1);  // the editor commits on the event loop
    EXPECT_EQ(w->ValList->Value(2), "10");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Warning");
    EXPECT_DOUBLE_EQ(w->MyOpenGL1->DraftMach, 10);
}

TEST_F(MainWindow, AnEditTakesEffectWhenItsEditorClosesOrARunControlIsUsed) {
    const QString strong =
        "Numerical results can be different from the reality significantly for a strong shock wave. "
        "The Mach number is set below 10.";

    // Mach 12, not ended with Enter, then a click on the gamma row: the
    // editor closes and the value is checked and drawn.
    ASSERT_TRUE(TypeIntoRow(2, "12"));
    QRect gamma = w->ValList->visualItemRect(w->ValList->item(2, 1));
    QTest::mouseClick(w->ValList->viewport(), Qt::LeftButton, {}, gamma.center());
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, strong);
    EXPECT_EQ(w->ValList->Value(2), "10");
    EXPECT_DOUBLE_EQ(w->MyOpenGL1->DraftMach, 10);

    // An angle typed, then Start (which takes no focus): the edit is stored
    // and checked before the run reads the rows.
    struct Case {
        const char* typed;
        const char* message;  // "" for none
        double angle;         // the run's
    };
    const Case cases[] = {
        {"95", "Wedge angle should be below 90 degrees.", 90},
        {"20", "", 20},
    };
    w->TrackBar1->setValue(0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        shown.clear();
        ASSERT_TRUE(TypeIntoRow(1, c.typed));
        QTest::mouseClick(w->tbRun1, Qt::LeftButton);
        w->Timer1->stop();
        ASSERT_EQ(shown.size(), *c.message ? 1u : 0u);
        if (*c.message) {
            EXPECT_EQ(shown[0].text, c.message);
        }
        EXPECT_EQ(w->ValList->indexWidget(w->ValList->model()->index(0, 1)), nullptr);  // the editor closed
        EXPECT_DOUBLE_EQ(platform::StrToFloat(w->ValList->Value(1)), c.angle);
        ASSERT_NE(w->FRealPar, nullptr);
        EXPECT_DOUBLE_EQ(w->FRealPar[2], c.angle);
        EXPECT_DOUBLE_EQ(w->FRealPar[1], 10);
    }
}

TEST_F(MainWindow, AnEditOpenWhenTheWindowGoesIsNotChecked) {
    ASSERT_TRUE(TypeIntoRow(1, "95"));
    // The editor loses its focus as the window is destroyed.
    window.reset();
    EXPECT_TRUE(shown.empty()) << shown[0].text.toStdString();
}

TEST_F(MainWindow, SwitchingCasesKeepsTheValues) {
    w->ValList->SetValue(1, "20");
    w->ValList->SetValue(2, "2.5");
    w->sbConeClick();
    EXPECT_EQ(w->FCaseId, 4);
    EXPECT_EQ(w->windowTitle(), "Vorlantic:  Brelvane");
    EXPECT_EQ(w->FOpticsIntPar[2], 1);
    EXPECT_TRUE(w->sbCone->isChecked());
    EXPECT_FALSE(w->sbWedge->isChecked());
    EXPECT_EQ(w->ValList->Key(1), "Semiapex Angle (Degrees): ");
    EXPECT_EQ(w->ValList->Value(1), "20");
    EXPECT_EQ(w->ValList->Value(2), "2.5");
    EXPECT_EQ(w->Label1->text(), "Cone");
    EXPECT_EQ(w->MyOpenGL1->DraftType, 1);
    EXPECT_DOUBLE_EQ(w->MyOpenGL1->DraftMach, 2.5);

    w->sbSphereClick();
    EXPECT_EQ(w->FCaseId, 3);
    EXPECT_EQ(w->windowTitle(), "Vorlantic:  Shock/Sphere Interaction");
    EXPECT_FALSE(visible(w->ValList));
    EXPECT_TRUE(visible(w->ValueList2));
    EXPECT_EQ(w->ValueList2->Key(1), "Shock Mach Number: ");
    EXPECT_EQ(w->ValueList2->Value(1), "3.0");
    EXPECT_EQ(w->MyOpenGL1->DraftType, 3);

    w->sbCylinderClick();
    EXPECT_EQ(w->FCaseId, 1);
    EXPECT_EQ(w->FOpticsIntPar[2], 0);
    EXPECT_EQ(w->Label1->text(), "Shock/Cylinder Interaction");
    EXPECT_EQ(w->MyOpenGL1->DraftType, 2);

    w->sbWedgeClick();
    EXPECT_TRUE(visible(w->ValList));
    EXPECT_FALSE(visible(w->ValueList2));
    EXPECT_EQ(w->ValList->Value(1), "20");
    EXPECT_EQ(w->ValList->Value(2), "2.5");

    // The airfoil sets its own Mach number and keeps the optics flag.
    w->sbConeClick();
    w->sbNACA0012Click();
    EXPECT_EQ(w->FCaseId, 102);
    EXPECT_EQ(w->FOpticsIntPar[2], 1);
    EXPECT_EQ(w->ValList->Key(2), "Flow Mach Number: ");
    EXPECT_EQ(w->ValList->Value(2), "2.0");
    EXPECT_EQ(w->windowTitle(), "Vorlantic:  Shock/Airfoil Interaction");

    // "More" selects no case and releases the sphere.
    w->sbSphere->setChecked(true);
    w->sbMoreClick();
    EXPECT_EQ(w->FCaseId, 102);
    EXPECT_TRUE(w->sbMore->isChecked());
    EXPECT_FALSE(w->sbSphere->isChecked());
    EXPECT_EQ(w->Label1->text(), "More");
    EXPECT_TRUE(shown.empty());
}

TEST_F(MainWindow, ATextThatIsNotANumberStopsTheAction) {
    // The cylinder's schematic reads its rows.
    w->ValueList2->SetValue(1, "fast");
    w->sbCylinder->click();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "'fast' is not a valid floating point value.");
    EXPECT_EQ(shown[0].caption, "Vorlantic");

    // Start of an explosion case with a bad row: no run is set up.
    w->sbCylindricalexplosion->click();
    EXPECT_EQ(w->FCaseId, 6);
    w->ValList->SetValue(1, "0");
    w->ValList->SetValue(3, "1,4");
    shown.clear();
    w->tbRun1->click();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "'1,4' is not a valid floating point value.");
    EXPECT_FALSE(w->Timer1->isActive());
    EXPECT_EQ(w->FNodeX, nullptr);
    EXPECT_FALSE(fs::exists("record.txt"));
}

// ---------------------------------------------------------------- runs

TEST_F(MainWindow, WedgeRunsToItsEndThroughTheTimerAndIsPhotographed) {
    w->TrackBar1->setValue(0);
    w->tbRun1->click();
    ASSERT_TRUE(w->Timer1->isActive());
    ASSERT_NE(w->FRealPar, nullptr);
    EXPECT_DOUBLE_EQ(w->FRealPar[1], 1.5);
    EXPECT_DOUBLE_EQ(w->FRealPar[2], 30);
    EXPECT_DOUBLE_EQ(w->FRealPar[3], 1.4);
    EXPECT_EQ(w->FIntPar[2], 0);
    EXPECT_EQ(w->FIntPar[4], 2);
    EXPECT_EQ(w->FIntPar[5], 0);
    EXPECT_EQ(w->FCapacity, 200000);
    EXPECT_FALSE(w->MyOpenGL1->DraftOn);

    // The first fetch fits the view and takes the ranges.
    ASSERT_TRUE(WaitForSteps(1));
    double xmin = w->FXMin, xmax = w->FXMax, ymin = w->FYMin, ymax = w->FYMax;
    ASSERT_GT(w->FNodeCount, 0);
    EXPECT_EQ(xmin, *std::min_element(w->FNodeX.get(), w->FNodeX.get() + w->FNodeCount));
    EXPECT_EQ(ymax, *std::max_element(w->FNodeY.get(), w->FNodeY.get() + w->FNodeCount));
    EXPECT_FLOAT_EQ(w->MyOpenGL1->WorldX0, xmin - 0.08 * (xmax - xmin));
    EXPECT_FLOAT_EQ(w->MyOpenGL1->WorldX1, xmax + 0.08 * (xmax - xmin));
    EXPECT_FLOAT_EQ(w->MyOpenGL1->WorldY0, ymin - 0.08 * (ymax - ymin));
    EXPECT_FLOAT_EQ(w->MyOpenGL1->WorldY1, ymax + 0.08 * (ymax - ymin));
    EXPECT_FLOAT_EQ(w->FPlot->TransX, -0.04 * (xmax - xmin));
    EXPECT_GT(w->FRMax, w->FRMin);
    EXPECT_DOUBLE_EQ(w->FMidValue[0], w->FRMax);  // the wedge's reference is the maximum
    EXPECT_GT(w->FMinEdge, 0);
    EXPECT_TRUE(std::isfinite(w->FPlot->VectorScale));
    EXPECT_GT(w->FPlot->VectorScale, 0);
    EXPECT_EQ(w->FPlot->NodeX, w->FNodeX.get());
    EXPECT_EQ(w->FPlot->CellStride, 200000);
    EXPECT_FALSE(w->FPlot->PhotoMode);
    EXPECT_TRUE(w->MyOpenGL1->LegendOn);

    std::int64_t lastProgress = 0;
    QDeadlineTimer deadline(300000);
    while (w->Timer1->isActive() && !deadline.hasExpired()) {
        QTest::qWait(2);
        if (w->Timer1->isActive()) {
            EXPECT_GE(w->MyProgressBar1->Progress(), lastProgress);
            lastProgress = w->MyProgressBar1->Progress();
        }
    }
    ASSERT_FALSE(w->Timer1->isActive()) << "run not ended after " << w->FStepCount << " steps";

    // The end tick: final values, gauge back to its start text.
    EXPECT_EQ(w->FProgress, 0);
    EXPECT_GT(w->FStepCount, 1);
    EXPECT_EQ(w->MyProgressBar1->Progress(), 0);
    EXPECT_EQ(w->MyProgressBar1->Text(), "Start Simulation");
    EXPECT_EQ(w->MyProgressBar1->TextForeColor(), QColor(255, 0, 0));
    EXPECT_EQ(w->FOpticsIntPar[1], 0);
    // The view stays where the first fetch put it.
    EXPECT_EQ(w->FXMin, xmin);
    EXPECT_TRUE(shown.empty());

    // Node values of the last fetch: corners counted from 1, sound states.
    int n = w->FNodeCount, cells = w->FCellCount;
    ASSERT_GT(n, 4);
    ASSERT_GT(cells, 0);
    for (int c = 0; c < cells; ++c)
        for (int k = 0; k < 4; ++k) {
            int node = w->FCellNodes[c + std::size_t(k) * w->FCapacity];
            ASSERT_GE(node, 1);
            ASSERT_LE(node, n);
        }
    for (int i = 0; i < n; ++i) {
        ASSERT_GT(w->FNodeR[i], 0);
        ASSERT_GT(w->FNodeP[i], 0);
    }

    // The export of the final state.
    platform::ScopedSaveDialogHook save([](platform::SaveDialogRequest& r) {
        r.fileName = "final.cfd";
        return true;
    });
    w->Save1Click();
    std::vector<std::string> lines = read_lines("final.cfd");
    ASSERT_EQ(lines.size(), std::size_t(3 + n + cells));
    EXPECT_EQ(lines[2], "zone N=" + std::to_string(n) + ", E=" + std::to_string(cells) +
                            " ,F=FEPOINT,ET=QUADRILATERAL");
    std::istringstream first(lines[3]);
    double x, y, r, p, ux, uy;
    ASSERT_TRUE(first >> x >> y >> r >> p >> ux >> uy);
    EXPECT_NEAR(x, w->FNodeX[0], 5e-7);
    EXPECT_NEAR(r, w->FNodeR[0], 5e-7);
    EXPECT_NE(lines[3].find('.'), std::string::npos);
    for (int c = 0; c < cells; ++c) {
        std::istringstream cell(lines[3 + n + c]);
        int a[4];
        ASSERT_TRUE(cell >> a[0] >> a[1] >> a[2] >> a[3]) << lines[3 + n + c];
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(a[k], w->FCellNodes[c + std::size_t(k) * w->FCapacity]);
            ASSERT_GE(a[k], 1);
            ASSERT_LE(a[k], n);
        }
    }

    // The simulated photograph of the final state, through the bench.
    w->sbGrayscaleClick();
    EXPECT_TRUE(w->Watch1->menuAction()->isVisible());
    EXPECT_EQ(w->chkContour->text(), "Photo");
    EXPECT_FALSE(visible(w->chkVector));
    EXPECT_FALSE(visible(w->chkContourLines));
    EXPECT_EQ(w->sbGrayscale->property("ImageIndex").toInt(), 34);
    ASSERT_GT(w->FPhotoWidth, 0);
    ASSERT_GT(w->FPhotoHeight, 0);
    ASSERT_GT(w->FPhotoNodeCount, 0);
    EXPECT_TRUE(w->FPlot->PhotoMode);
    EXPECT_EQ(w->FPlot->Image, w->FPhotoImage.get());
    EXPECT_EQ(w->FPlot->NodeX, w->FPhotoX.get());
    EXPECT_EQ(w->FPlot->NodeCount, w->FPhotoNodeCount);
    EXPECT_FALSE(w->MyOpenGL1->LegendOn);
    // The view is the picture's window.
    EXPECT_FLOAT_EQ(w->MyOpenGL1->WorldX0, w->FPhotoX0);
    EXPECT_FLOAT_EQ(w->MyOpenGL1->WorldY1, w->FPhotoY1);
    std::size_t values = std::size_t(w->FPhotoWidth + 1) * (w->FPhotoHeight + 1);
    EXPECT_TRUE(std::all_of(w->FPhotoImage.get(), w->FPhotoImage.get() + values,
                            [](double v) { return v >= 0 && v <= 1; }));
    // Leaving the flow out asks for the picture place plus 100.
    w->Includeflowperturbations1Click();
    EXPECT_EQ(w->FOpticsIntPar[0], 103);
    w->Includeflowperturbations1Click();
    EXPECT_EQ(w->FOpticsIntPar[0], 3);

    w->sbGrayscaleClick();
    EXPECT_EQ(w->chkContour->text(), "Contour");
    EXPECT_TRUE(visible(w->chkVector));
    EXPECT_FALSE(w->FPlot->PhotoMode);
    EXPECT_EQ(w->FPlot->NodeX, w->FNodeX.get());
    EXPECT_EQ(w->sbGrayscale->property("ImageIndex").toInt(), 35);
    EXPECT_TRUE(shown.empty());
}

TEST_F(MainWindow, PauseStepAndStop) {
    // Nothing to pause or stop before the first run.
    w->tbPauseClick();
    EXPECT_FALSE(w->Timer1->isActive());
    EXPECT_EQ(w->tbPause->property("ImageIndex").toInt(), 27);
    w->StopComputationClick();
    EXPECT_FALSE(w->Timer1->isActive());
    EXPECT_EQ(w->FProgress, 0);

    w->TrackBar1->setValue(0);
    w->tbRun1Click();
    ASSERT_TRUE(WaitForSteps(3));

    // Pause and resume.
    w->tbPauseClick();
    EXPECT_FALSE(w->Timer1->isActive());
    int paused = w->FStepCount;
    EXPECT_EQ(w->tbPause->property("ImageIndex").toInt(), 28);
    EXPECT_EQ(w->mnuPause1->property("ImageIndex").toInt(), 28);
    EXPECT_EQ(w->tbPause->toolTip(), "Resume");
    EXPECT_EQ(w->mnuPause1->text(), "Resume");
    QTest::qWait(30);
    EXPECT_EQ(w->FStepCount, paused);
    w->tbPauseClick();
    EXPECT_TRUE(w->Timer1->isActive());
    EXPECT_EQ(w->tbPause->property("ImageIndex").toInt(), 27);
    EXPECT_EQ(w->tbPause->toolTip(), "Pause");
    EXPECT_EQ(w->mnuPause1->text(), "Pause");
    EXPECT_FALSE(w->FStepMode);
    EXPECT_EQ(w->FDrawInterval, 10);

    // Step turns the running run into stepping, one tick per press, each
    // redrawn, without a new set-up.
    const double* nodes = w->FNodeX.get();
    w->StepbyStepClick();
    ASSERT_TRUE(WaitWhileRunning());
    EXPECT_TRUE(w->FStepMode);
    EXPECT_EQ(w->FDrawInterval, 1);
    int stepped = w->FStepCount;
    ASSERT_GT(stepped, paused);
    double progress = w->FProgress;
    w->StepbyStepClick();
    ASSERT_TRUE(WaitWhileRunning());
    EXPECT_EQ(w->FStepCount, stepped + 1);
    EXPECT_GT(w->FProgress, progress);
    EXPECT_EQ(w->FNodeX.get(), nodes);  // the arrays are kept

    // Stop while stepping: the next tick ends the run.
    w->StopComputationClick();
    ASSERT_TRUE(WaitWhileRunning());
    EXPECT_EQ(w->FProgress, 0);
    EXPECT_EQ(w->FStepCount, stepped + 1);
    EXPECT_EQ(w->MyProgressBar1->Text(), "Start Simulation");

    // Start begins a new run.
    w->tbRun1Click();
    EXPECT_EQ(w->FStepCount, 0);
    EXPECT_FALSE(w->FStepMode);
    ASSERT_TRUE(WaitForSteps(2));
    w->tbPauseClick();
    EXPECT_FALSE(w->Timer1->isActive());
    // Stop during a pause ends the run on the next tick.
    w->StopComputationClick();
    EXPECT_TRUE(w->Timer1->isActive());
    ASSERT_TRUE(WaitWhileRunning());
    EXPECT_EQ(w->FProgress, 0);
    EXPECT_TRUE(shown.empty());
}

TEST_F(MainWindow, PhotographRedrawsWaitForTheFirstFetch) {
    w->sbGrayscaleClick();
    w->TrackBar1->setValue(0);
    w->tbRun1Click();
    // Set up, not stepped: the node arrays exist but hold no node yet.
    w->Timer1->stop();
    ASSERT_NE(w->FNodeR, nullptr);
    ASSERT_EQ(w->FNodeCount, 0);
    // Redraws asked for now do nothing; an optics call on a grid of no nodes
    // would stop.
    w->chkMesh->click();
    w->Imageonleftwindow1Click();
    EXPECT_EQ(w->FPlot->Image, nullptr);
    EXPECT_EQ(w->FPhotoNodeCount, 0);

    // The first tick fetches the flow and shows its photograph.
    w->Timer1->start();
    ASSERT_TRUE(WaitForSteps(1));
    EXPECT_TRUE(w->FPlot->PhotoMode);
    EXPECT_EQ(w->FPlot->Image, w->FPhotoImage.get());
    EXPECT_GT(w->FPhotoNodeCount, 0);
    w->StopComputationClick();
    ASSERT_TRUE(WaitWhileRunning());
    EXPECT_TRUE(shown.empty());
}

TEST_F(MainWindow, ContourLineCountsBeyondThePlotAreRefusedAndAFailingPaintDrawsNothing) {
    ASSERT_TRUE(TakeOneStep());
    // Contour lines ticked, and the dialog answered with a count far beyond
    // what the plot draws: the dialog's error, the count stays.
    QString typed = "999999999";
    onModal = [&](QDialog& d) {
        auto& lines = dynamic_cast<TfrmContourLineSettings&>(d);
        lines.edLineNum->setText(typed);
        lines.btnOK->click();
    };
    w->chkContourLines->click();
    ASSERT_EQ(modal.size(), 1u);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "999999999 contour lines are more than the plot can draw: at most 2000.");
    EXPECT_EQ(w->FContourLevels, 30);
    EXPECT_TRUE(w->FPlot->ShowContourLines);
    frame(*w->MyOpenGL1);
    EXPECT_EQ(w->FPlot->ContourSeries.size(), 31u);

    // The most lines the dialog takes, and a count beyond it set directly
    // (the integer limit, whose + 1 would overflow): the plot's most levels.
    for (QString count : {QString("2000"), QString::number(INT_MAX)}) {
        SCOPED_TRACE(count.toStdString());
        if (count == "2000") {
            typed = count;
            w->chkContourLines->click();  // off
            w->chkContourLines->click();
        } else {
            w->FContourLevels = INT_MAX;
            w->DrawExecute();
        }
        EXPECT_EQ(w->FPlot->ContourLineCount, kMaxContourLevels);
        frame(*w->MyOpenGL1);
        EXPECT_EQ(w->FPlot->ContourSeries.size(), std::size_t(kMaxContourLevels));
    }
    EXPECT_EQ(shown.size(), 1u);

    // A paint that fails draws the background alone and is reported once,
    // after the event, however many paints and resizes fail.
    shown.clear();
    auto* failing = new FailingObject;
    w->FPlot->AddObject(failing);
    QImage failed = frame(*w->MyOpenGL1);
    w->resize(800, 600);
    QTest::qWait(30);
    w->MyOpenGL1->repaint();
    w->resize(894, 650);
    QTest::qWait(30);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "std::bad_alloc.");
    const QColor back = w->MyOpenGL1->GetBackColor();
    int other = 0;
    for (int y = 0; y < failed.height(); ++y)
        for (int x = 0; x < failed.width(); ++x) other += distance(failed.pixelColor(x, y), back) > 2;
    EXPECT_EQ(other, 0);

    // Without it the flow is drawn again; a later failure is reported anew.
    w->FPlot->Next = nullptr;
    delete failing;
    QImage drawn = frame(*w->MyOpenGL1);
    EXPECT_NE(drawn.pixelColor(drawn.width() / 2, drawn.height() / 2), back);
    w->FPlot->AddObject(new FailingObject);
    w->MyOpenGL1->repaint();
    QTest::qWait(30);
    EXPECT_EQ(shown.size(), 2u);
}

TEST_F(MainWindow, PhotographModeShowsTheWholePicture) {
    ASSERT_TRUE(TakeOneStep());
    w->chkMesh->click();  // no grid over the picture
    w->sbGrayscaleClick();
    ASSERT_TRUE(w->FPlot->PhotoMode);
    ASSERT_GT(w->FPhotoWidth, 0);
    // A black picture on the light background: its columns and rows are
    // those of the picture's window in the view.
    std::fill_n(w->FPhotoImage.get(), std::size_t(w->FPhotoWidth + 1) * (w->FPhotoHeight + 1), 0.0);
    TMyOpenGL& v = *w->MyOpenGL1;
    QImage image = frame(v);
    auto black = [&](int x, int y) { return distance(image.pixelColor(x, y), Qt::black) < 8; };
    // The picture's edges in pixels, and the pixels one inside them.
    const QPoint low = pixelOf(v, w->FPhotoX0, w->FPhotoY0), high = pixelOf(v, w->FPhotoX1, w->FPhotoY1);
    const int x0 = std::max(low.x() + 1, 0), x1 = std::min(high.x() - 1, image.width() - 1);
    const int y0 = std::max(high.y() + 1, 0), y1 = std::min(low.y() - 1, image.height() - 1);
    ASSERT_GT(x1 - x0, 100);
    ASSERT_GT(y1 - y0, 100);
    // The edge columns and rows of the picture are picture, those beside it
    // background.
    for (int y : {y0, (y0 + y1) / 2, y1}) {
        EXPECT_TRUE(black(x0, y) && black(x1, y)) << "row " << y;
        if (x0 > 2) {
            EXPECT_FALSE(black(x0 - 3, y)) << "row " << y;
        }
        if (x1 < image.width() - 3) {
            EXPECT_FALSE(black(x1 + 3, y)) << "row " << y;
        }
    }
    for (int x : {x0, (x0 + x1) / 2, x1}) {
        EXPECT_TRUE(black(x, y0) && black(x, y1)) << "column " << x;
        if (y0 > 2) {
            EXPECT_FALSE(black(x, y0 - 3)) << "column " << x;
        }
    }
    EXPECT_TRUE(shown.empty());
}

// ---------------------------------------------------------------- export

TEST_F(MainWindow, TecplotExportBeforeAnyRunAndItsFailure) {
    std::vector<platform::SaveDialogRequest> asked;
    QString answer = "empty.cfd";
    bool chosen = true;
    platform::ScopedSaveDialogHook save([&](platform::SaveDialogRequest& r) {
        asked.push_back(r);
        r.fileName = answer;
        return chosen;
    });
    std::ofstream("empty.cfd") << "an older file\nwith two lines\nand three\nand four\n";
    w->Save1Click();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].initialDir, ".");
    EXPECT_EQ(asked[0].defaultExt, "cfd");
    EXPECT_EQ(asked[0].fileName, "*.cfd");
    EXPECT_EQ(asked[0].filter, "*.cfd");
    std::vector<std::string> lines = read_lines("empty.cfd");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "title =  \"QELTA data file \"");
    EXPECT_EQ(lines[1], "variables =\"x\",\"y\",\"r\",\"p\",\"ux\",\"uy\"");
    EXPECT_EQ(lines[2], "zone N=0, E=0 ,F=FEPOINT,ET=QUADRILATERAL");
    EXPECT_TRUE(shown.empty());

    // Cancel: nothing is written.
    chosen = false;
    answer = "cancelled.cfd";
    w->Save1Click();
    EXPECT_FALSE(fs::exists("cancelled.cfd"));
    EXPECT_TRUE(shown.empty());

    // A file that cannot be opened.
    chosen = true;
    answer = "no/such/folder/x.cfd";
    w->Save1Click();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Could not save file no/such/folder/x.cfd");
    EXPECT_EQ(shown[0].buttons, platform::MsgButtons::Ok);
}

// ---------------------------------------------------------------- languages

TEST_F(MainWindow, LanguageSwitchRewritesTheTexts) {
    EXPECT_EQ(w->Lang0->text(), "English");
    EXPECT_EQ(w->Lang1->text(), "Deutsch");
    EXPECT_EQ(w->Lang2->text(), "Lang2");  // two languages in the file
    EXPECT_TRUE(w->Lang0->isChecked());

    w->Lang1Click();
    EXPECT_TRUE(w->Lang1->isChecked());
    EXPECT_FALSE(w->Lang0->isChecked());
    EXPECT_EQ(w->sbLegend->toolTip(), "Legende anzeigen");
    EXPECT_EQ(w->grpPlot->title(), "Darstellung");
    EXPECT_EQ(w->chkContourLines->text(), "Isolinien");
    EXPECT_EQ(w->ValList->Title(0), "Parameter");
    EXPECT_EQ(w->ValueList2->Title(1), "Wert");
    EXPECT_EQ(w->sbWedge->toolTip(), "Keil");
    EXPECT_EQ(w->File1->title(), "Datei");
    EXPECT_EQ(w->MyProgressBar1->Text(), "Simulation starten");
    EXPECT_EQ(w->tbPause->toolTip(), "Anhalten");
    // The case text keeps the language it was chosen in.
    EXPECT_EQ(w->Label1->text(), "Wedge");

    w->Lang0Click();
    EXPECT_TRUE(w->Lang0->isChecked());
    EXPECT_EQ(w->grpPlot->title(), "Plot");
    EXPECT_EQ(w->ValList->Title(0), "Parameters");
    EXPECT_EQ(w->tbZoomOut->toolTip(), "Zoom out");
}

TEST_F(MainWindow, LeftPanelTextsFitTheirControlsInEveryLanguage) {
    const QStyle* style = w->style();
    const int boxExtra =
        style->pixelMetric(QStyle::PM_IndicatorWidth) + style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
    const int cellMargin = style->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1;
    // The text, laid out as its control lays it out, lies within rect.
    auto fits = [](const QFontMetrics& fm, const QRect& rect, const QString& text, int flags) {
        QRect need = fm.boundingRect(QRect(0, 0, rect.width(), 10000), flags, text);
        return need.width() <= rect.width() && need.height() <= rect.height();
    };
    auto check = [&] {
        for (QLabel* label : w->PanelLeft->findChildren<QLabel*>()) {
            const int flags = label->wordWrap() ? Qt::TextWordWrap : Qt::TextSingleLine;
            EXPECT_TRUE(fits(label->fontMetrics(), label->contentsRect(), label->text(), flags))
                << label->text().toStdString();
        }
        for (QCheckBox* box : w->grpPlot->findChildren<QCheckBox*>())
            EXPECT_LE(box->fontMetrics().horizontalAdvance(box->text()) + boxExtra, box->width())
                << box->text().toStdString();
        // Controls side by side neither overlap nor leave their panel.
        for (QWidget* panel : {w->PanelSpeed, static_cast<QWidget*>(w->grpPlot)}) {
            const auto controls = panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
            for (QWidget* a : controls) {
                EXPECT_TRUE(panel->rect().contains(a->geometry())) << a->objectName().toStdString();
                for (QWidget* b : controls) {
                    if (a != b) {
                        EXPECT_FALSE(a->geometry().intersects(b->geometry()));
                    }
                }
            }
        }
        for (TValueListEditor* list : {w->ValList, w->ValueList2}) {
            if (!list->isVisibleTo(w)) continue;
            for (int row = 1; row <= list->DataRowCount(); ++row) {
                QRect cell = list->visualItemRect(list->item(row - 1, 0)).adjusted(cellMargin, 0, -cellMargin, 0);
                EXPECT_TRUE(fits(list->fontMetrics(), cell, list->Key(row), Qt::TextWordWrap))
                    << list->Key(row).toStdString();
            }
            for (int column = 0; column < 2; ++column)
                EXPECT_LE(list->fontMetrics().horizontalAdvance(list->Title(column)) + 2 * cellMargin,
                          list->horizontalHeader()->sectionSize(column));
        }
    };
    for (QAction* language : {w->Lang0, w->Lang1}) {
        language->trigger();
        SCOPED_TRACE(w->grpPlot->title().toStdString());
        // The text before a case is chosen, then each case's.
        w->Label1->setText("Click above button to select a case");
        check();
        for (QToolButton* chosen : {w->sbWedge, w->sbCone, w->sbSphere, w->sbCylinder, w->sbCylindricalexplosion,
                                    w->sbNACA0012, w->sbMore}) {
            chosen->click();
            SCOPED_TRACE(w->Label1->text().toStdString());
            check();
        }
    }
    EXPECT_TRUE(shown.empty());

    // The copy button shows a copy picture, not the save one.
    QImage copy = w->tbCopy1->icon().pixmap(16).toImage();
    EXPECT_FALSE(copy.isNull());
    EXPECT_TRUE(copy != style->standardIcon(QStyle::SP_DialogSaveButton).pixmap(16).toImage());
}

// ---------------------------------------------------------------- plot controls

TEST_F(MainWindow, PhotographModeSwitchWithoutData) {
    w->sbGrayscaleClick();
    EXPECT_TRUE(w->FPhotoMode);
    EXPECT_TRUE(w->Watch1->menuAction()->isVisible());
    EXPECT_TRUE(w->menuBar()->isVisible());
    EXPECT_TRUE(visible(w->PanelBottom));
    EXPECT_EQ(w->sbGrayscale->toolTip(), "Conventional plot");
    // Without flow data the plot controls stay as they were.
    EXPECT_EQ(w->chkContour->text(), "Contour");
    EXPECT_TRUE(visible(w->chkVector));
    EXPECT_TRUE(visible(w->chkContourLines));
    EXPECT_EQ(w->sbGrayscale->property("ImageIndex").toInt(), 35);

    // Watch options: flow left out adds 100 to the picture place at the next
    // optics call, including it again removes it.
    w->Includeflowperturbations1Click();
    EXPECT_FALSE(w->FIncludeFlow);
    EXPECT_EQ(w->Includeflowperturbations1->text(), "Add flow data");
    w->ioparainput();
    EXPECT_EQ(w->FOpticsIntPar[0], 103);
    w->ioparainput();
    EXPECT_EQ(w->FOpticsIntPar[0], 103);
    w->Includeflowperturbations1Click();
    EXPECT_EQ(w->Includeflowperturbations1->text(), "Remove flow data");
    w->ioparainput();
    EXPECT_EQ(w->FOpticsIntPar[0], 3);
    w->cbRecordingUnit->setCurrentIndex(1);
    w->ioparainput();
    EXPECT_EQ(w->FOpticsIntPar[9], 1);

    w->Imageonleftwindow1Click();
    EXPECT_EQ(w->FOpticsIntPar[0], 1);
    EXPECT_TRUE(w->Imageonleftwindow1->isChecked());
    EXPECT_FALSE(w->Imageonrecordingplane1->isChecked());
    w->colororgrayscale1Click();
    EXPECT_EQ(w->FOpticsIntPar[4], 1);
    EXPECT_EQ(w->colororgrayscale1->text(), "Switch to grayscale from color");
    w->colororgrayscale1Click();
    EXPECT_EQ(w->FOpticsIntPar[4], 0);
    EXPECT_EQ(w->colororgrayscale1->text(), "Switch to color from grayscale");
    w->dofirstorderraytracing1Click();
    EXPECT_EQ(w->FOpticsIntPar[5], 0);
    EXPECT_EQ(w->dofirstorderraytracing1->text(), "Do second-order ray tracing");
    w->dofirstorderraytracing1Click();
    EXPECT_EQ(w->FOpticsIntPar[5], 1);
    EXPECT_EQ(w->dofirstorderraytracing1->text(), "Do first-order ray tracing ");

    w->sbGrayscaleClick();
    EXPECT_FALSE(w->FPhotoMode);
    EXPECT_FALSE(w->Watch1->menuAction()->isVisible());
    EXPECT_FALSE(w->menuBar()->isVisible());
    EXPECT_EQ(w->sbGrayscale->toolTip(), "Simulated photo");
    EXPECT_TRUE(visible(w->PanelBottom));
    EXPECT_TRUE(shown.empty());
}

TEST_F(MainWindow, PlotControlsBeforeAnyRun) {
    // Redraws do nothing without data; the contour dialogs open when a box
    // becomes checked.
    w->chkContour->click();  // unchecked
    EXPECT_TRUE(modal.empty());
    w->chkContour->click();
    ASSERT_EQ(modal.size(), 1u);
    EXPECT_EQ(modal[0], frmContourSettings);
    w->chkContourLines->click();
    ASSERT_EQ(modal.size(), 2u);
    EXPECT_EQ(modal[1], frmContourLineSettings);
    w->mnuContours1Click();
    EXPECT_EQ(modal.size(), 3u);

    // Legend with only the mesh on the plot does nothing.
    bool legend = w->MyOpenGL1->LegendOn;
    w->sbLegendClick();
    EXPECT_EQ(w->MyOpenGL1->LegendOn, legend);
    EXPECT_TRUE(w->FShowLegend);

    // Pan before any fit moves by 0; zooming out ten times reaches 0 and
    // then mirrors.
    w->tbLeftClick();
    w->tbUpClick();
    EXPECT_EQ(w->MyOpenGL1->ViewTransX, 0);
    EXPECT_EQ(w->MyOpenGL1->ViewTransY, 0);
    for (int i = 0; i < 10; ++i) w->tbZoomOutClick();
    EXPECT_NEAR(w->MyOpenGL1->ViewScaleX, 0, 1e-6);
    w->tbZoomOutClick();
    EXPECT_LT(w->MyOpenGL1->ViewScaleY, 0);
    w->tbRestoreClick();
    EXPECT_EQ(w->MyOpenGL1->ViewScaleX, 1);
    EXPECT_TRUE(shown.empty());
}

// Without "lang.txt" the program cannot start: it shows why and ends with a
// non-zero status instead of reporting success.
using StartWithoutTexts = qelta::testing::EmptyWorkDir;

TEST_F(StartWithoutTexts, ShowsTheErrorAndEndsWithStatusOne) {
    std::vector<platform::MessageRequest> shown;
    platform::ScopedMessageHook hook([&](const platform::MessageRequest& r) {
        shown.push_back(r);
        return platform::MsgResult::Ok;
    });
    EXPECT_EQ(RunVorlantic(), 1);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].text.toStdString().find("lang.txt"), std::string::npos) << shown[0].text.toStdString();
    EXPECT_EQ(shown[0].icon, platform::MsgIcon::Error);
    EXPECT_EQ(frmMain, nullptr);
}

}  // namespace

// The optical-bench editor of the main window with the library: the default
// bench and its placing on the schematic, the rebuilds, the flattening into
// the element tables, the schematic rays traced by the library, the mouse
// (drag, right click and the property dialog) and the test-section pictures.
#include <QComboBox>
#include <QImage>
#include <QTabWidget>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "bench_window.h"
#include "controls/ValueListEditor.h"

namespace vorlantic::testing {
namespace {

namespace fs = std::filesystem;

using BenchEditor = BenchWindow;

// ---------------------------------------------------------------- the bench

TEST_F(BenchEditor, DefaultBenchHasItsElementsParametersAndWorldPositions) {
    struct Expected {
        const char* name;
        int code;
        int width, height;
        std::vector<std::pair<int, double>> params;  // the others are 0
    };
    const Expected expected[] = {
        {"Light", 1, 8, 8, {{0, -1000}, {1, 0.000123}, {2, 0.000213}}},
        {"First Lense", 101, 15, 80, {{0, -500}, {3, 500}, {4, 430}}},
        {"Section", 501, 140, 80, {{0, 0}, {3, 200}, {4, 100}}},
        {"Recording Lense", 101, 15, 80, {{0, 500}, {3, 200}, {4, 450}}},
        {"Film", 901, 2, 60, {{0, 900}, {3, -1}, {5, -1}}},
    };
    ASSERT_EQ(w->FShapeManeger->Count(), 5);
    const double pixelHeight = w->FModelHeight / w->ImageModel->height();
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(expected[i].name);
        const BaseShape* s = Shape(i);
        EXPECT_EQ(s->Name, expected[i].name);
        EXPECT_EQ(s->Codes[0], expected[i].code);
        EXPECT_EQ(s->Rect.Width(), expected[i].width);
        EXPECT_EQ(s->Rect.Height(), expected[i].height);
        for (int p = 0; p < s->ParamCount; ++p) {
            double want = 0;
            for (auto [slot, value] : expected[i].params)
                if (slot == p) want = value;
            EXPECT_EQ(s->Params[p], want) << "parameter " << p;
        }
        // Centred on its world position.
        double x, y;
        w->ImageToWorld(Centre(s).x(), Centre(s).y(), x, y);
        EXPECT_NEAR(x, s->Params[0], PixelWidth());
        EXPECT_NEAR(y, s->Params[1], pixelHeight);
    }
    EXPECT_EQ(w->FModelX0, -1200);
    EXPECT_EQ(w->FModelY0, -100);
    EXPECT_EQ(w->FModelWidth, 2400);
    EXPECT_EQ(w->FModelHeight, 200);
    EXPECT_FALSE(w->cbIlluminatingUnit->isEditable());
    EXPECT_FALSE(w->cbRecordingUnit->isEditable());
}

TEST_F(BenchEditor, SchlierenCreatesTheCutoffOnceAtTheImagePointAndRebuildsKeepIt) {
    // The light sits in the focal plane of the first lens: the beam is
    // parallel through the section and the recording lens focuses it at its
    // focal point, 500 + 200.
    const double image[3] = {w->FRayResult[0], w->FRayResult[1], w->FRayResult[2]};
    EXPECT_NEAR(image[0], 700, 1e-6);
    EXPECT_NEAR(image[1], 0, 1e-3);

    TLight* light = w->FLight.get();
    light->Params[1] = 3;
    w->FFirstLense->Params[3] = 333;
    w->cbRecordingUnit->setCurrentIndex(1);
    w->btnOKClick();
    ASSERT_EQ(w->FShapeManeger->Count(), 6);
    TCutoff* cutoff = w->FCutoff.get();
    ASSERT_NE(cutoff, nullptr);
    EXPECT_EQ(Shape(5), cutoff);
    EXPECT_EQ(cutoff->Name, "Cutoff");
    EXPECT_EQ(cutoff->Codes[0], 801);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(cutoff->Params[i], image[i]);
    EXPECT_EQ(cutoff->Params[3], 10);
    // The light is kept with its edits; the lenses come back as built.
    EXPECT_EQ(w->FLight.get(), light);
    EXPECT_EQ(light->Params[1], 3);
    EXPECT_EQ(w->FFirstLense->Params[3], 500);

    cutoff->Params[0] = 650;
    w->btnOKClick();
    EXPECT_EQ(w->FCutoff.get(), cutoff);
    EXPECT_EQ(cutoff->Params[0], 650);

    w->cbRecordingUnit->setCurrentIndex(0);
    w->btnOKClick();
    EXPECT_EQ(w->FShapeManeger->Count(), 5);
    EXPECT_EQ(w->FCutoff.get(), cutoff);

    w->cbRecordingUnit->setCurrentIndex(1);
    w->btnOKClick();
    ASSERT_EQ(w->FShapeManeger->Count(), 6);
    EXPECT_EQ(Shape(5), cutoff);
    EXPECT_EQ(cutoff->Params[0], 650);
}

TEST_F(BenchEditor, FlatteningWritesOneRowPerElementAndKeepsTheRest) {
    const int cells = w->FMaxElements * w->FMaxPar;
    std::fill_n(w->FElementPar.get(), cells, 7.5);
    std::fill_n(w->FElementCode.get(), cells, 77);
    w->FFilm->Codes[0] = 901.9;  // truncated toward zero

    ASSERT_EQ(w->FlattenShapes(), 5);
    for (int e = 0; e < w->FMaxElements; ++e) {
        const BaseShape* s = e < 5 ? Shape(e) : nullptr;
        for (int p = 0; p < w->FMaxPar; ++p) {
            SCOPED_TRACE(::testing::Message() << "element " << e << " slot " << p);
            const int at = e * w->FMaxPar + p;
            EXPECT_EQ(w->FElementPar[at], s && p < s->ParamCount ? s->Params[p] : 7.5);
            EXPECT_EQ(w->FElementCode[at], s && p == 0 ? static_cast<int>(s->Codes[0]) : 77);
        }
    }
    EXPECT_EQ(w->FElementCode[4 * w->FMaxPar], 901);
}

TEST_F(BenchEditor, ElementsPlacedPastTheBorderKeepTheirSize) {
    TLight* light = w->FLight.get();
    light->Params[0] = -1200 - 2.5 * PixelWidth();
    light->Params[1] = 100;
    for (int i = 0; i < 3; ++i) w->DrawModel();
    EXPECT_EQ(light->Rect.Width(), 8);
    EXPECT_EQ(light->Rect.Height(), 8);
    EXPECT_EQ(light->Rect.Left, -7);
    EXPECT_EQ(light->Rect.Top, -4);
}

// ---------------------------------------------------------------- rays and drawing

TEST_F(BenchEditor, SchematicRaysAreTracedByTheLibraryThroughTheBench) {
    ASSERT_EQ(w->FRaySetCount, 1);
    EXPECT_EQ(w->FElementCount, 5);
    for (int j = 0; j < 5; ++j) {
        SCOPED_TRACE(j);
        EXPECT_EQ(RayX(j, 0), -1000);
        EXPECT_EQ(RayY(j, 0), 0.000123);
        // Equal steps across the first lens's diameter, bottom to top.
        EXPECT_DOUBLE_EQ(RayX(j, 1), -500);
        EXPECT_DOUBLE_EQ(RayY(j, 1), -215 + 107.5 * j);
        EXPECT_DOUBLE_EQ(RayX(j, 2), 0);
        EXPECT_DOUBLE_EQ(RayX(j, 3), 500);
        EXPECT_DOUBLE_EQ(RayX(j, 4), 900);
        // Parallel behind the first lens; through the focus at 700, halfway
        // to the film, so mirrored there.
        EXPECT_NEAR(RayY(j, 2), RayY(j, 1), 1e-3);
        EXPECT_NEAR(RayY(j, 3), RayY(j, 1), 1e-3);
        EXPECT_NEAR(RayY(j, 4), -RayY(j, 3), 1e-3);
    }
    // The middle ray is drawn on the axis between the light and the lens.
    double px, py;
    w->WorldToImage(-750, 0, px, py);
    const QImage& picture = w->ImageModel->Canvas.Image();
    bool dark = false;
    for (int dy = -2; dy <= 2; ++dy) dark |= qGray(picture.pixel(int(px), int(py) + dy)) < 128;
    EXPECT_TRUE(dark);
}

TEST_F(BenchEditor, DrawModelDoesNothingWhileThePanelIsHiddenAndShowingItTracesAgain) {
    w->ViewOpticalModel1Click();
    ASSERT_TRUE(w->PanelBottom->isHidden());
    std::fill_n(w->FRayX.get(), 25, 12345.0);
    const QImage before = w->ImageModel->Canvas.Image().copy();
    w->FFilm->Params[0] = 800;
    w->DrawModel();
    EXPECT_EQ(RayX(0, 0), 12345.0);
    EXPECT_TRUE(w->ImageModel->Canvas.Image() == before);

    w->ViewOpticalModel1Click();
    ASSERT_FALSE(w->PanelBottom->isHidden());
    for (int j = 0; j < 5; ++j) EXPECT_DOUBLE_EQ(RayX(j, 4), 800);
    EXPECT_EQ(w->PanelModel->x(), w->cbIlluminatingUnit->x() + w->cbIlluminatingUnit->width() + 2);
    EXPECT_EQ(w->PanelModel->width(), w->PageOpticalModel->width() - w->cbIlluminatingUnit->x() - w->PanelModel->x() - 2);
    EXPECT_EQ(w->ImageModel->height(), w->TabSheetModel->height() + 2);
    EXPECT_EQ(w->ImageModel->Canvas.Width(), w->ImageModel->width());
    EXPECT_EQ(w->ImageModel->Canvas.Height(), w->ImageModel->height());
}

// ---------------------------------------------------------------- mouse

TEST_F(BenchEditor, DraggingTheFilmMovesItsGlobalXAndTracesAgain) {
    BaseShape* film = w->FFilm.get();
    const QPoint c = Centre(film);
    QTest::mousePress(w->ImageModel, Qt::LeftButton, {}, c);
    ASSERT_TRUE(film->Focused);
    ASSERT_TRUE(film->MoveArmed);

    QTest::mouseMove(w->ImageModel, c + QPoint(20, 0));
    EXPECT_NEAR(film->Params[0], 900 + 20 * PixelWidth(), PixelWidth());
    EXPECT_GT(film->Params[0], 900);
    for (int j = 0; j < 5; ++j) EXPECT_DOUBLE_EQ(RayX(j, 4), film->Params[0]);
    EXPECT_NEAR(Centre(film).x(), c.x() + 20, 1);

    QTest::mouseRelease(w->ImageModel, Qt::LeftButton, {}, c + QPoint(20, 0));
    EXPECT_FALSE(film->ButtonDown);
    EXPECT_FALSE(film->MoveArmed);
    const double x = film->Params[0];
    MoveOver(w->ImageModel, c + QPoint(40, 0));
    EXPECT_EQ(film->Params[0], x);
}

TEST_F(BenchEditor, RightClickOpensThePropertiesOfAnElementAndOnEmptyCanvasNone) {
    QTest::mousePress(w->ImageModel, Qt::RightButton, {}, Centre(w->FFirstLense.get()));
    EXPECT_TRUE(w->FFirstLense->Focused);
    ASSERT_TRUE(frmProperty->isVisible());
    EXPECT_EQ(frmProperty->cbObjects->count(), 5);
    EXPECT_EQ(frmProperty->cbObjects->currentIndex(), 1);
    ASSERT_EQ(frmProperty->cbSubTypes->count(), 2);
    EXPECT_EQ(frmProperty->cbSubTypes->itemText(0), "thin convex lens");
    EXPECT_EQ(frmProperty->cbSubTypes->currentIndex(), 0);
    TValueListEditor* list = frmProperty->ValueList;
    const std::pair<const char*, const char*> rows[] = {
        {"Global X", "-500"}, {"Global Y", "0"}, {"Global Z", "0"}, {"f", "500"}, {"Diameter", "430"}};
    ASSERT_EQ(list->DataRowCount(), 5);
    for (int r = 0; r < 5; ++r) {
        EXPECT_EQ(list->Key(r + 1), rows[r].first);
        EXPECT_EQ(list->Value(r + 1), rows[r].second);
    }
    EXPECT_EQ(list->Title(0), "Parameters");
    EXPECT_EQ(list->Title(1), "Value");
    // The value column fills the rest of the list.
    EXPECT_EQ(list->columnWidth(0), 78);
    EXPECT_GE(list->columnWidth(1), 112);
    EXPECT_EQ(frmProperty->windowTitle(), "Object Properties");

    frmProperty->hide();
    const QPoint empty(2, 2);
    ASSERT_EQ(w->FShapeManeger->HitTest(empty.x(), empty.y()), nullptr);
    QTest::mousePress(w->ImageModel, Qt::RightButton, {}, empty);
    EXPECT_EQ(w->FShapeManeger->Focus(), nullptr);
    EXPECT_FALSE(frmProperty->isVisible());
    EXPECT_EQ(frmProperty->cbObjects->currentIndex(), -1);
    // The list handler ran all the same: the rows are gone.
    EXPECT_EQ(list->DataRowCount(), 0);
    EXPECT_TRUE(shown.empty());
}

TEST_F(BenchEditor, PropertyDialogAppliesOnEnterAndOnCloseAndStopsAtABadValue) {
    TLense* lens = w->FFirstLense.get();
    TValueListEditor* list = frmProperty->ValueList;
    QTest::mousePress(w->ImageModel, Qt::RightButton, {}, Centre(lens));
    ASSERT_TRUE(frmProperty->isVisible());

    list->SetValue(1, "-600");
    list->SetValue(4, "250");
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(lens->Params[0], -600);
    EXPECT_EQ(lens->Params[3], 250);
    double x, y;
    w->ImageToWorld(Centre(lens).x(), Centre(lens).y(), x, y);
    EXPECT_NEAR(x, -600, PixelWidth());
    for (int j = 0; j < 5; ++j) EXPECT_DOUBLE_EQ(RayX(j, 1), -600);

    list->SetValue(5, "200");
    frmProperty->close();
    EXPECT_EQ(lens->Params[4], 200);
    EXPECT_FALSE(frmProperty->isVisible());

    // Rows before the bad one are taken, the later ones keep their values,
    // and the dialog stays open with the message shown.
    QTest::mousePress(w->ImageModel, Qt::RightButton, {}, Centre(lens));
    ASSERT_TRUE(frmProperty->isVisible());
    EXPECT_EQ(list->Value(4), "250");
    list->SetValue(1, "-650");
    list->SetValue(2, "abc");
    list->SetValue(4, "111");
    frmProperty->close();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "'abc' is not a valid floating point value.");
    EXPECT_EQ(lens->Params[0], -650);
    EXPECT_EQ(lens->Params[1], 0);
    EXPECT_EQ(lens->Params[3], 250);
    EXPECT_TRUE(frmProperty->isVisible());
}

TEST_F(BenchEditor, PropertyDialogRefusesValuesTheOpticsCannotTrace) {
    // Each of these would give the schematic no finite ray or image; the
    // row is refused as a text that is no number is, and the element keeps
    // its value.
    struct Case {
        BaseShape* shape;
        int row;  // from 1
        const char* typed;
        const char* message;
    };
    const Case cases[] = {
        {w->FFirstLense.get(), 4, "0", "The focal length f = 0 of a lens must be at least 0.001 in size."},
        {w->FRecordingLense.get(), 4, "-1e-9", "The focal length f = -1E-9 of a lens must be at least 0.001 in size."},
        {w->FLight.get(), 1, "1e300", "Global X = 1E300 lies outside the bench: its size may be at most 1000000."},
        {w->FFilm.get(), 6, "0", "The normal of the film must not be zero."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        shown.clear();
        if (c.shape == w->FFilm.get()) {
            // The film's normal along the axis alone: zeroing it leaves none.
            ASSERT_EQ(c.shape->Params[5], -1);
            ASSERT_EQ(c.shape->Params[6], 0);
            ASSERT_EQ(c.shape->Params[7], 0);
        }
        const double before = c.shape->Params[c.row - 1];
        QTest::mousePress(w->ImageModel, Qt::RightButton, {}, Centre(c.shape));
        ASSERT_TRUE(frmProperty->isVisible());
        frmProperty->ValueList->SetValue(c.row, c.typed);
        frmProperty->close();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, c.message);
        EXPECT_EQ(c.shape->Params[c.row - 1], before);
        frmProperty->ValueList->SetValue(c.row, QString::number(before));
        frmProperty->close();
        EXPECT_FALSE(frmProperty->isVisible());
    }
    // The schematic is still traced through the bench.
    for (int j = 0; j < 5; ++j) EXPECT_TRUE(std::isfinite(RayX(j, 1)));
}

TEST_F(BenchEditor, ChoosingAnotherSubTypeRebuildsTheRows) {
    TLight* light = w->FLight.get();
    QTest::mousePress(w->ImageModel, Qt::RightButton, {}, Centre(light));
    ASSERT_TRUE(frmProperty->isVisible());
    ASSERT_EQ(frmProperty->cbSubTypes->count(), 5);
    ASSERT_EQ(frmProperty->ValueList->DataRowCount(), 3);

    frmProperty->cbSubTypes->setCurrentIndex(3);
    emit frmProperty->cbSubTypes->activated(3);
    EXPECT_EQ(light->SubType, 3);
    EXPECT_EQ(light->Codes[0], 4);
    TValueListEditor* list = frmProperty->ValueList;
    const std::pair<const char*, const char*> rows[] = {{"Global X", "-1000"}, {"Global Y", "0.000123"},
                                                        {"Global Z", "0.000213"}, {"Height", "0"},
                                                        {"Width", "0"}, {"Angle", "0"}};
    ASSERT_EQ(list->DataRowCount(), 6);
    for (int r = 0; r < 6; ++r) {
        EXPECT_EQ(list->Key(r + 1), rows[r].first);
        EXPECT_EQ(list->Value(r + 1), rows[r].second);
    }

    list->SetValue(4, "20");
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(light->Params[3], 20);
    EXPECT_EQ(w->FElementCode[0], 4);
    EXPECT_EQ(w->FElementPar[3], 20);
}

TEST_F(BenchEditor, ObjectPropertiesWithoutSelectionAsksForOne) {
    w->ObjectProperties1Click();
    EXPECT_TRUE(frmProperty->isVisible());
    EXPECT_EQ(frmProperty->cbObjects->currentIndex(), -1);
    EXPECT_EQ(frmProperty->cbObjects->placeholderText(), "Please select an Object!");
}

// ---------------------------------------------------------------- test-section picture

TEST_F(BenchEditor, SectionPicturesCycleAndAMissingOneLeavesTheSectionEmptyReportedOnce) {
    QImage pictures[3];
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(pictures[i].load(QString("pics/rectsection%1.bmp").arg(i)));
    ASSERT_NE(pictures[0], pictures[1]);
    ASSERT_NE(pictures[1], pictures[2]);

    TSection* section = w->FSection.get();
    for (int tick = 0; tick < 4; ++tick) {
        w->TimerSectionTimer();
        EXPECT_TRUE(section->Bitmap == pictures[tick % 3]) << "tick " << tick;
    }
    EXPECT_EQ(w->FSectionPicture, 1);
    w->btnOKClick();
    EXPECT_EQ(w->FSectionPicture, 0);

    section = w->FSection.get();
    fs::remove("pics/rectsection1.bmp");
    fs::remove("pics/rectsection2.bmp");
    w->TimerSectionTimer();
    // Picture 1 is missing: the message; the tick while it is up (picture 2,
    // missing too) shows no second one.
    onMessage = [this] { w->TimerSectionTimer(); };
    w->TimerSectionTimer();
    onMessage = nullptr;
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].text.startsWith("Cannot open file \"")) << shown[0].text.toStdString();
    EXPECT_TRUE(shown[0].text.contains("rectsection1.bmp"));
    EXPECT_EQ(w->FSectionPicture, 0);

    // Two more cycles: picture 2 reported at its next tick, then nothing;
    // the section is empty where its picture is missing.
    const QPoint centre = Centre(section);
    for (int tick = 0; tick < 6; ++tick) {
        w->TimerSectionTimer();
        const bool missing = tick % 3 != 0;
        EXPECT_EQ(section->Bitmap.isNull(), missing) << "tick " << tick;
        EXPECT_EQ(w->ImageModel->Canvas.Image().pixelColor(centre) == QColor(Qt::white), missing) << "tick " << tick;
    }
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(shown[1].text.contains("rectsection2.bmp"));
}

}  // namespace
}  // namespace vorlantic::testing

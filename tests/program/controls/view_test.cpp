// The view control without a display: aspect fit, zoom and its rubber band,
// wheel, restore, pointer texts, moving the current object, the picking
// rules and the object list.
#include <gtest/gtest.h>

#include <utility>

#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>
#include <memory>

#include "controls/MyOpenGL.h"

using namespace vorlantic;

namespace {

struct Fit {
    double x0, x1, y0, y1;
    int w, h;
    double vx0, vx1, vy0, vy1;
};

TEST(AspectFit, WidensTheShorterSideAboutTheCentre) {
    const Fit cases[] = {
        {0, 1, 0, 1, 400, 200, -0.5, 1.5, 0, 1},  // wide client: x widened
        {0, 1, 0, 1, 200, 400, 0, 1, -0.5, 1.5},  // tall client: y widened
        {0, 2, 0, 1, 400, 200, 0, 2, 0, 1},       // same aspect (ratio = a takes the x branch)
        {-1, 3, 2, 3, 100, 100, -1, 3, 0.5, 4.5},
        {0, 1, -4, 4, 300, 150, -7.5, 8.5, -4, 4},
    };
    for (const Fit& c : cases) {
        TViewWindow v = TMyOpenGL::FitWorldWindow(TWorldWindow{c.x0, c.x1, c.y0, c.y1, 1}, c.w, c.h);
        EXPECT_DOUBLE_EQ(v.XMin, c.vx0);
        EXPECT_DOUBLE_EQ(v.XMax, c.vx1);
        EXPECT_DOUBLE_EQ(v.YMin, c.vy0);
        EXPECT_DOUBLE_EQ(v.YMax, c.vy1);
    }
}

// A hidden 400 x 200 view of the world window 0..1 x 0..1.
std::unique_ptr<TMyOpenGL> view400x200() {
    auto v = std::make_unique<TMyOpenGL>();
    v->resize(400, 200);
    v->SetView(0, 1, 0, 1, 0, 1);
    return v;
}

void mouse(TMyOpenGL& v, QEvent::Type type, Qt::MouseButton button, QPoint p, Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(p), QPointF(v.mapToGlobal(p)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(&v, &e);
}

void press(TMyOpenGL& v, Qt::MouseButton b, QPoint p) { mouse(v, QEvent::MouseButtonPress, b, p, b); }
void move(TMyOpenGL& v, QPoint p, Qt::MouseButtons held) { mouse(v, QEvent::MouseMove, Qt::NoButton, p, held); }
void release(TMyOpenGL& v, Qt::MouseButton b, QPoint p) { mouse(v, QEvent::MouseButtonRelease, b, p, Qt::NoButton); }

void drag(TMyOpenGL& v, QPoint from, QPoint to) {
    press(v, Qt::LeftButton, from);
    move(v, to, Qt::LeftButton);
    release(v, Qt::LeftButton, to);
}

void wheel(TMyOpenGL& v, QPoint p, int turn) {
    QWheelEvent e(QPointF(p), QPointF(v.mapToGlobal(p)), QPoint(), QPoint(0, turn), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&v, &e);
}

void expectWorld(const TMyOpenGL& v, double x0, double x1, double y0, double y1) {
    EXPECT_NEAR(v.WorldX0, x0, 1e-9);
    EXPECT_NEAR(v.WorldX1, x1, 1e-9);
    EXPECT_NEAR(v.WorldY0, y0, 1e-9);
    EXPECT_NEAR(v.WorldY1, y1, 1e-9);
}

TEST(View, SetViewFitsTheVisibleWindow) {
    auto v = view400x200();
    EXPECT_DOUBLE_EQ(v->ViewXMin, -0.5);
    EXPECT_DOUBLE_EQ(v->ViewXMax, 1.5);
    EXPECT_DOUBLE_EQ(v->ViewYMin, 0);
    EXPECT_DOUBLE_EQ(v->ViewYMax, 1);
    EXPECT_FLOAT_EQ(v->InitX1, 1);
    EXPECT_EQ(v->Depth, 1);
}

TEST(View, RubberBandZoomsIntoTheVisibleWindowEitherWayRound) {
    // Pixels 100..300 x 50..150 of the visible -0.5..1.5 x 0..1.
    for (bool reversed : {false, true}) {
        auto v = view400x200();
        QPoint a(100, 50), b(300, 150);
        if (reversed)
            drag(*v, b, a);
        else
            drag(*v, a, b);
        expectWorld(*v, 0, 1, 0.25, 0.75);
        EXPECT_FALSE(v->RubberBandOn);
        // The window before the zoom is kept, one step back.
        EXPECT_DOUBLE_EQ(v->PrevWorldWindow.X1, 1);
        EXPECT_DOUBLE_EQ(v->PrevWorldWindow.Y0, 0);
        // The visible window follows at once: 0..1 x 0.25..0.75 on 400 x 200.
        EXPECT_NEAR(v->ViewXMin, 0, 1e-9);
        EXPECT_NEAR(v->ViewYMax, 0.75, 1e-9);
        v->ZoomPrevious();
        expectWorld(*v, 0, 1, 0, 1);
    }
}

TEST(View, PanProjectsABandForOneFrameAndRestoreProjMatrixUndoesIt) {
    auto v = view400x200();
    v->Pan(100, 50, 300, 150);
    // The band 0..1 x 0.25..0.75 fills the projection; the world window stays.
    auto clip = [&](double x, double y) {
        const double* m = v->ProjMatrix;
        return std::pair{m[0] * x + m[12], m[5] * y + m[13]};
    };
    auto [x0, y0] = clip(0, 0.25);
    auto [x1, y1] = clip(1, 0.75);
    EXPECT_NEAR(x0, -1, 1e-9);
    EXPECT_NEAR(y0, -1, 1e-9);
    EXPECT_NEAR(x1, 1, 1e-9);
    EXPECT_NEAR(y1, 1, 1e-9);
    expectWorld(*v, 0, 1, 0, 1);
    v->RestoreProjMatrix();
    auto [r0, s0] = clip(-0.5, 0);
    EXPECT_NEAR(r0, -1, 1e-9);
    EXPECT_NEAR(s0, -1, 1e-9);
}

TEST(View, SmallBandsAndTinyBoxesAreIgnored) {
    auto v = view400x200();
    drag(*v, QPoint(100, 50), QPoint(101, 150));  // 1 pixel wide
    expectWorld(*v, 0, 1, 0, 1);
    drag(*v, QPoint(100, 50), QPoint(300, 51));
    expectWorld(*v, 0, 1, 0, 1);
    // A box of 0.001 world units or less.
    v->SetView(0, 0.05f, 0, 0.05f, 0, 1);  // 0.1 wide on screen: 0.00025 a pixel
    drag(*v, QPoint(100, 50), QPoint(103, 150));
    expectWorld(*v, 0, 0.05f, 0, 0.05f);
    // A right-button drag is no zoom.
    auto w = view400x200();
    press(*w, Qt::RightButton, QPoint(10, 10));
    release(*w, Qt::RightButton, QPoint(300, 150));
    expectWorld(*w, 0, 1, 0, 1);
}

TEST(View, BandFollowsThePointerEvenWithoutACurrentObject) {
    auto v = view400x200();
    ASSERT_EQ(v->CurrentObject, nullptr);
    press(*v, Qt::LeftButton, QPoint(100, 50));
    move(*v, QPoint(200, 100), Qt::LeftButton);
    int l, t, r, b;
    v->RubberBandRect.getCoords(&l, &t, &r, &b);
    EXPECT_EQ(QRect(QPoint(l, t), QPoint(r, b)), QRect(QPoint(100, 50), QPoint(200, 100)));
    release(*v, Qt::LeftButton, QPoint(200, 100));
    expectWorld(*v, 0, 0.5, 0.5, 0.75);
}

TEST(View, WheelZoomsAboutThePointerAndRestores) {
    auto v = view400x200();
    // d = (120, 60): the box 80..320 x 40..160 around (200, 100).
    wheel(*v, QPoint(200, 100), -120);
    expectWorld(*v, -0.1, 1.1, 0.2, 0.8);
    EXPECT_EQ(v->Text, "mouse  wheel down at X: 0.500000, Y: 0.500000");
    v->ViewTransX = 3;
    v->ViewScaleY = 2;
    v->DrawMode = dmMove;
    wheel(*v, QPoint(0, 200), 120);
    EXPECT_EQ(v->Text, "mouse  wheel up at X: 0.000000, Y: 0.000000");
    expectWorld(*v, 0, 1, 0, 1);
    EXPECT_EQ(v->ViewTransX, 0);
    EXPECT_EQ(v->ViewScaleY, 1);
    EXPECT_EQ(v->DrawMode, dmZoom);
    EXPECT_TRUE(v->DrawGlobalAxisOn);
}

TEST(View, WheelWithTheSchematicShownOnlyWritesTheText) {
    auto v = view400x200();
    v->DraftOn = true;
    v->DraftType = 0;
    v->ViewTransX = 3;
    wheel(*v, QPoint(200, 100), -120);
    expectWorld(*v, 0, 1, 0, 1);
    EXPECT_TRUE(v->Text.startsWith("mouse  wheel down"));
    wheel(*v, QPoint(200, 100), 120);
    EXPECT_TRUE(v->Text.startsWith("mouse  wheel up"));
    EXPECT_EQ(v->ViewTransX, 3);
    EXPECT_TRUE(v->DraftOn);
}

TEST(View, RestoreToInitResetsViewSchematicAndMode) {
    auto v = view400x200();
    drag(*v, QPoint(100, 50), QPoint(300, 150));
    v->DraftOn = true;
    v->DraftType = 2;
    v->ViewRotZ = 30;
    v->ViewTransY = -1;
    v->AspectCorrection = false;
    v->RestoreToInit();
    expectWorld(*v, 0, 1, 0, 1);
    EXPECT_EQ(v->DraftType, -1);
    EXPECT_FALSE(v->DraftOn);
    EXPECT_EQ(v->ViewRotZ, 0);
    EXPECT_EQ(v->ViewTransY, 0);
    EXPECT_TRUE(v->AspectCorrection);
    EXPECT_EQ(v->MouseDownX, 0);
}

TEST(View, PointerTextAndPixelMappings) {
    auto v = view400x200();
    QString seen;
    QObject::connect(v.get(), &TMyOpenGL::TextChanged, [&](const QString& t) { seen = t; });
    move(*v, QPoint(200, 50), Qt::NoButton);
    // Presses and moves map the client onto the requested window, not the
    // visible one.
    EXPECT_EQ(v->Text, " mouse at X: 0.500000, Y: 0.750000");
    EXPECT_EQ(seen, v->Text);
    double x, y;
    v->ViewToGlobal(100, 200, x, y);
    EXPECT_DOUBLE_EQ(x, 0.25);
    EXPECT_DOUBLE_EQ(y, 0);
    float fx = 1, fy = 2;
    v->ViewTransX = 0.5f;
    v->ViewTransY = -1;
    v->FixCoordinates(fx, fy);
    EXPECT_FLOAT_EQ(fx, 0.5f);
    EXPECT_FLOAT_EQ(fy, 3);
}

TEST(View, AddQuadrilateralsAppendsARedCurrentPlot) {
    auto v = view400x200();
    v->ViewTransX = 0.25f;
    TGLQuadrilaterals* a = v->AddQuadrilaterals(1, 2, 5, 5, 0x00FF00);
    EXPECT_EQ(v->FirstObject, a);
    EXPECT_EQ(v->CurrentObject, a);
    EXPECT_EQ(a->ColorR, 1);
    EXPECT_EQ(a->ColorG, 0);
    EXPECT_FLOAT_EQ(a->TransX, 0.75f);
    EXPECT_FLOAT_EQ(a->TransY, 2);
    TGLQuadrilaterals* b = v->AddQuadrilaterals(0, 0, 1, 1, 255);
    EXPECT_EQ(a->GetNext(), b);
    EXPECT_EQ(b->GetObjectID(), 2);
    EXPECT_EQ(v->CurrentObject, b);
    v->DeleteAll();
    EXPECT_EQ(v->FirstObject, nullptr);
    EXPECT_EQ(v->CurrentObject, nullptr);
}

TEST(View, MoveModeDragsTheCurrentObjectByTheWorldDelta) {
    auto v = view400x200();
    TGLQuadrilaterals* plot = v->AddQuadrilaterals(0, 0, 1, 1, 255);
    v->SetDrawMode(dmMove);
    press(*v, Qt::LeftButton, QPoint(100, 100));
    move(*v, QPoint(140, 80), Qt::LeftButton);
    move(*v, QPoint(200, 60), Qt::LeftButton);
    release(*v, Qt::LeftButton, QPoint(200, 60));
    // 100 pixels right and 40 up over the requested 0..1 window.
    EXPECT_NEAR(plot->TransX, 0.25, 1e-6);
    EXPECT_NEAR(plot->TransY, 0.2, 1e-6);
    EXPECT_NEAR(v->MouseDownX, 0.5, 1e-6);
    // Moves without the button leave it.
    move(*v, QPoint(300, 10), Qt::NoButton);
    EXPECT_NEAR(plot->TransX, 0.25, 1e-6);
    expectWorld(*v, 0, 1, 0, 1);
}

// Without a context the hit test finds nothing, as over an empty spot.
TEST(View, RightClicksCycleZoomSelectMoveZoom) {
    auto v = view400x200();
    press(*v, Qt::RightButton, QPoint(200, 100));
    release(*v, Qt::RightButton, QPoint(200, 100));
    EXPECT_EQ(v->DrawMode, dmMove);
    EXPECT_EQ(v->CurrentObject, nullptr);
    press(*v, Qt::RightButton, QPoint(200, 100));
    release(*v, Qt::RightButton, QPoint(200, 100));
    EXPECT_EQ(v->DrawMode, dmZoom);
}

TEST(View, DeleteModeWithoutAHitDeletesNothing) {
    auto v = view400x200();
    TGLQuadrilaterals* a = v->AddQuadrilaterals(0, 0, 1, 1, 255);
    TGLQuadrilaterals* b = v->AddQuadrilaterals(0, 0, 1, 1, 255);
    v->SetDrawMode(dmDelete);
    press(*v, Qt::LeftButton, QPoint(200, 100));
    release(*v, Qt::LeftButton, QPoint(200, 100));
    EXPECT_EQ(v->CurrentObject, nullptr);
    EXPECT_EQ(v->FirstObject, a);
    EXPECT_EQ(a->GetNext(), b);
}

// Selection records: name count, two depths, the names.
struct Pick {
    std::vector<unsigned> buffer;
    int hits;
    int current;
    int picked;
};

TEST(Picking, WalksRecordsByTheirCountsAndCyclesThroughHits) {
    const unsigned z = 0x7fffffff;
    const Pick cases[] = {
        {{}, 0, 0, 0},
        {{}, 0, 2, 0},                                   // nothing hit: no current object
        {{1, z, z, 2}, 1, 0, 2},                         // no current object: the first hit
        {{1, z, z, 1, 1, z, z, 2}, 2, 1, 2},             // the one after the current
        {{1, z, z, 1, 1, z, z, 2}, 2, 2, 1},             // wraps to the first
        {{1, z, z, 1, 1, z, z, 2}, 2, 5, 1},             // current not hit: the first
        {{1, z, z, 3}, 1, 3, 3},                         // a single hit stays
        // An overlay drawn with an empty name stack leaves a record without
        // a name before or after the objects' records.
        {{0, z, z, 1, z, z, 2}, 2, 0, 2},
        {{1, z, z, 1, 0, z, z, 1, z, z, 2}, 3, 1, 2},
        {{1, z, z, 1, 0, z, z}, 2, 1, 1},
        {{0, z, z}, 1, 4, 0},                            // only an overlay: nothing picked
        // Nested names: the innermost counts.
        {{2, z, z, 7, 3}, 1, 0, 3},
        // An overflowed buffer (negative count): whole records only.
        {{1, z, z, 4, 1, z, z, 5, 3, z}, -1, 4, 5},
    };
    for (const Pick& c : cases) {
        std::vector<unsigned> buf = c.buffer;
        buf.resize(std::max<std::size_t>(buf.size(), 1), 0);
        int size = c.hits < 0 ? static_cast<int>(c.buffer.size()) : static_cast<int>(buf.size());
        EXPECT_EQ(TMyOpenGL::ChooseHit(buf.data(), size, c.hits, c.current), c.picked)
            << "hits " << c.hits << " current " << c.current;
    }
}

}  // namespace

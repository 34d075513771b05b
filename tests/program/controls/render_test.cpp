// The view control drawing into a real window (Xvfb): colours of the
// contour map at known world points, grid and layer colours, the stippled
// schematic line, the legend bar, the photograph, picking by right click,
// zoom and pan on screen, and the clipboard copy.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QTest>
#include <cmath>

#include "render_support.h"
#include "shown_messages.h"

using namespace vorlantic;
using namespace vorlantic::testing;

namespace {

QColor rgb(double r, double g, double b) {
    auto c = [](double v) { return static_cast<int>(std::lround(255 * std::clamp(v, 0.0, 1.0))); };
    return QColor(c(r), c(g), c(b));
}

class Render : public ::testing::Test {
protected:
    void SetUp() override {
        view = shownView(400, 300);
        ASSERT_TRUE(view) << "the view was not exposed";
        // A working context reports nothing.
        QTest::qWait(1);
        for (const auto& shown : ShownMessages()) ADD_FAILURE() << shown.text.toStdString();
        ASSERT_TRUE(ShownMessages().empty());
        view->SetView(0, 1, 0, 1, 0, 1);  // visible -1/6..7/6 x 0..1
        plot = view->AddQuadrilaterals(0, 0, 1, 1, 255);
    }
    QColor at(const QImage& img, double x, double y) { return img.pixelColor(pixelOf(*view, x, y)); }
    // f = x on 20 x 20 cells over the unit square, reference in the middle.
    void linearField(BlockField& b) {
        for (int n = 0; n < b.nodes(); ++n) b.f[n] = b.x[n];
        b.attach(*plot);
        plot->ValueMid = 0.5;
    }

    std::unique_ptr<TMyOpenGL> view;
    TGLQuadrilaterals* plot = nullptr;
};

TEST(RenderContext, ReadyOnceWithTheFontBuilt) {
    TMyOpenGL v;
    int ready = 0;
    QObject::connect(&v, &TMyOpenGL::OnInitRC, [&] { ++ready; });
    v.resize(200, 100);
    v.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&v));
    frame(v);
    EXPECT_EQ(ready, 1);
    EXPECT_TRUE(v.isValid());
    EXPECT_NE(v.FontListBase, 0u);
}

TEST_F(Render, ContourColoursAtKnownPoints) {
    BlockField b(20, 20, 0, 1, 0, 1, 500);
    linearField(b);
    plot->ShowContour = true;
    QImage img = frame(*view);
    // Cell centres: blue below the reference, red above, green at it.
    struct Probe {
        double x;
        QColor c;
    };
    for (Probe p : {Probe{0.125, rgb(0, 0.25, 0.75)}, Probe{0.375, rgb(0, 0.75, 0.25)},
                    Probe{0.625, rgb(0.25, 0.75, 0)}, Probe{0.875, rgb(0.75, 0.25, 0)},
                    Probe{0.025, rgb(0, 0.05, 0.95)}, Probe{0.975, rgb(0.95, 0.05, 0)}})
        EXPECT_LE(distance(at(img, p.x, 0.525), p.c), 4) << p.x << " " << at(img, p.x, 0.525).name().toStdString();
    EXPECT_EQ(at(img, 1.1, 0.5), QColor(Qt::white));
    EXPECT_EQ(at(img, -0.1, 0.5), QColor(Qt::white));
}

TEST_F(Render, GridLinesBlackAndCellsOpen) {
    BlockField b(4, 4, 0, 1, 0, 1, 16);
    linearField(b);
    plot->ShowGrid = true;
    QImage img = frame(*view);
    // Across the vertical line x = 0.5 at mid-cell height: a dark core.
    QPoint p = pixelOf(*view, 0.5, 0.375);
    int darkest = 255;
    for (int dx = -2; dx <= 2; ++dx) darkest = std::min(darkest, img.pixelColor(p.x() + dx, p.y()).red());
    EXPECT_LT(darkest, 140);
    // Horizontal line y = 0.25.
    QPoint q = pixelOf(*view, 0.375, 0.25);
    darkest = 255;
    for (int dy = -2; dy <= 2; ++dy) darkest = std::min(darkest, img.pixelColor(q.x(), q.y() + dy).green());
    EXPECT_LT(darkest, 140);
    // Inside a cell, the background; the grey stays neutral.
    EXPECT_EQ(at(img, 0.375, 0.375), QColor(Qt::white));
    QColor line = img.pixelColor(p.x(), p.y());
    EXPECT_LE(std::abs(line.red() - line.blue()), 2);
}

TEST_F(Render, VectorsGreenAndContourLinesInTheirLevelColour) {
    BlockField b(4, 4, 0, 1, 0, 1, 16);
    for (int n = 0; n < b.nodes(); ++n) b.u[n] = 1;
    linearField(b);
    plot->VectorScale = 0.1;  // arrows 0.1 long to the right
    plot->ShowVector = true;
    QImage img = frame(*view);
    // The shaft from the node (0.5, 0.5) towards (0.6, 0.5).
    QPoint p = pixelOf(*view, 0.55, 0.5);
    int greenest = 0;
    for (int dy = -2; dy <= 2; ++dy) {
        QColor c = img.pixelColor(p.x(), p.y() + dy);
        greenest = std::max(greenest, c.green() - c.red());
    }
    EXPECT_GT(greenest, 100);

    plot->ShowVector = false;
    plot->ShowContourLines = true;
    plot->ContourLineCount = 4;  // levels 0, 1/3, 2/3, 1: lines x = level inside
    img = frame(*view);
    // x = 1/3 is coloured (0, 2/3, 1/3), x = 2/3 (1/3, 2/3, 0): the absent
    // channel darkens on the line.
    struct Probe {
        double x;
        bool redAbsent;
    };
    for (Probe pr : {Probe{1.0 / 3, true}, Probe{2.0 / 3, false}}) {
        QPoint c = pixelOf(*view, pr.x, 0.6);
        int best = 0;
        for (int dx = -2; dx <= 2; ++dx) {
            QColor col = img.pixelColor(c.x() + dx, c.y());
            best = std::max(best, 255 - (pr.redAbsent ? col.red() : col.blue()));
        }
        EXPECT_GT(best, 100) << pr.x;
    }
    EXPECT_EQ(at(img, 0.375, 0.6), QColor(Qt::white));
    ASSERT_EQ(plot->ContourSeries.size(), 4u);
    EXPECT_EQ(plot->ContourSeries[1].Lines.size(), 8u);  // both triangles of the 4 cells it crosses
}

TEST_F(Render, WedgeSchematicDashesEightPixelsOnEightOff) {
    view->DrawWedge(2, 1.4, 30);
    view->DraftOn = true;
    QImage img = frame(*view);
    TDraftBox b = view->DraftBox(30);
    // The dashed ray from the apex along y = Yb, away from the arc and texts.
    int x0 = pixelOf(*view, b.Xc + 0.4 * (b.X1 - b.Xc), b.Yb).x();
    int x1 = pixelOf(*view, b.X1, b.Yb).x() - 3;
    int row = pixelOf(*view, b.Xc, b.Yb).y();
    std::vector<int> runs;
    bool dark = false;
    int length = 0;
    for (int x = x0; x <= x1; ++x) {
        int v = 255;
        for (int dy = -1; dy <= 1; ++dy) v = std::min(v, img.pixelColor(x, row + dy).red());
        bool d = v < 128;
        if (d == dark) {
            ++length;
        } else {
            runs.push_back(length);
            dark = d;
            length = 1;
        }
    }
    ASSERT_GE(runs.size(), 6u);
    for (std::size_t k = 1; k < runs.size(); ++k)  // the first run is cut by the start
        EXPECT_NEAR(runs[k], 8, 1) << "run " << k;
    // The solid parts of the channel are not dashed: the top edge.
    int solid = 0;
    int top = pixelOf(*view, b.X0, b.Y1).y();
    for (int x = pixelOf(*view, b.X0, b.Y1).x() + 3; x < pixelOf(*view, b.X1, b.Y1).x() - 3; ++x) {
        int v = 255;
        for (int dy = -1; dy <= 1; ++dy) v = std::min(v, img.pixelColor(x, top + dy).red());
        if (v < 128) ++solid;
    }
    EXPECT_GT(solid, pixelOf(*view, b.X1, b.Y1).x() - pixelOf(*view, b.X0, b.Y1).x() - 10);
    savePicture(img, "render_wedge_schematic");
}

TEST_F(Render, SchematicLinesRunWhereTheirGeometrySays) {
    auto inkNear = [&](const QImage& img, double x, double y) {
        QPoint p = pixelOf(*view, x, y);
        int darkest = 255;
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx) darkest = std::min(darkest, img.pixelColor(p.x() + dx, p.y() + dy).red());
        return darkest < 140;
    };
    view->DraftOn = true;
    // The wedge and the cone share their box; the cone adds the half ellipse
    // of its base right of X1.
    const double s = std::sqrt(0.5);
    for (bool cone : {false, true}) {
        if (cone)
            view->DrawCone(3, 1.4, 20);
        else
            view->DrawWedge(3, 1.4, 20);
        QImage img = frame(*view);
        TDraftBox b = view->DraftBox(20);
        EXPECT_TRUE(inkNear(img, 0.5 * (b.Xc + b.X1), 0.5 * (b.Yb + b.Y1))) << cone;  // the ramp
        EXPECT_TRUE(inkNear(img, 0.5 * (b.X0 + b.X1), b.Y1)) << cone;                 // the top
        EXPECT_TRUE(inkNear(img, b.X0, b.Yb + 0.2 * (b.Y1 - b.Yb))) << cone;          // the inflow side
        EXPECT_EQ(inkNear(img, b.X1 + s * 0.05 * (b.X1 - b.Xc), b.Yb + s * (b.Y1 - b.Yb)), cone);
        EXPECT_FALSE(inkNear(img, b.X1 - 0.1 * (b.X1 - b.Xc), b.Y1 - 0.4 * (b.Y1 - b.Yb))) << cone;  // inside
        if (cone) savePicture(img, "render_cone_schematic");
    }
    view->DrawCylinder(3, 1.4);
    QImage img = frame(*view);
    TCylinderBox c = view->CylinderBox();
    double xm = 0.5 * (c.Xa + c.Xb);
    EXPECT_TRUE(inkNear(img, xm, c.Yb + (xm - c.Xa)));        // top of the half circle
    EXPECT_TRUE(inkNear(img, 0.5 * (c.X0 + c.X1), c.Yt));    // the top
    EXPECT_TRUE(inkNear(img, c.X1, 0.5 * (c.Yb + c.Yt)));    // the outflow side
    EXPECT_TRUE(inkNear(img, 0.5 * (c.Xb + c.X1), c.Yb));    // the axis beside the cylinder
    EXPECT_FALSE(inkNear(img, 0.8, 0.3));                    // inside
    savePicture(img, "render_cylinder_schematic");
}

TEST_F(Render, EmptySchematicWritesItsNoticeInRed) {
    view->DraftOn = true;  // DraftType -1
    QImage img = frame(*view);
    double W = view->ViewXMax - view->ViewXMin, H = view->ViewYMax - view->ViewYMin;
    QPoint start = pixelOf(*view, view->ViewXMin + 0.3 * W, view->ViewYMin + 0.5 * H);
    int red = 0, first = img.width(), last = -1;
    for (int y = start.y() - 15; y <= start.y() + 5; ++y)
        for (int x = 0; x < img.width(); ++x) {
            QColor c = img.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 60 && c.blue() < 60) {
                ++red;
                first = std::min(first, x);
                last = std::max(last, x);
            }
        }
    EXPECT_GT(red, 100);
    // From the raster position on, as wide as the font sets the text (its
    // blanks included), clipped by the window's edge.
    int advance = QFontMetrics(view->font()).horizontalAdvance("This case is not implemented currently!");
    EXPECT_NEAR(first, start.x(), 2);
    EXPECT_NEAR(last, std::min(start.x() + advance, img.width() - 1), 3);
    view->DraftType = 3;  // the sphere: nothing
    img = frame(*view);
    int marked = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y) != QColor(Qt::white)) ++marked;
    EXPECT_EQ(marked, 0);
}

TEST_F(Render, LegendBarFromBlueThroughGreenToRedWithLabels) {
    view->LegendOn = true;
    view->LegendMin = 0;
    view->LegendMid = 0.5;
    view->LegendMax = 1;
    QImage img = frame(*view);
    view->UpdateLegendGeometry();
    double x = view->LegendX + 0.4 * view->LegendWidth, y0 = view->LegendY, h = view->LegendHeight;
    EXPECT_LE(distance(at(img, x, y0 + 0.02 * h), rgb(0, 0.04, 0.96)), 6);
    EXPECT_LE(distance(at(img, x, y0 + 0.25 * h), rgb(0, 0.5, 0.5)), 6);
    EXPECT_LE(distance(at(img, x, y0 + 0.5 * h + 0.004), rgb(0, 1, 0)), 10);
    EXPECT_LE(distance(at(img, x, y0 + 0.98 * h), rgb(0.96, 0.04, 0)), 6);
    // Black label ink right of the bar at the three heights.
    for (double y : {y0 + 0.01, y0 + h / 2 + 0.01, y0 + h + 0.01}) {
        QPoint p = pixelOf(*view, view->LegendX + 0.8 * view->LegendWidth, y);
        int ink = 0;
        for (int dy = -6; dy <= 6; ++dy)
            for (int dx = 0; dx < 40; ++dx)
                if (img.pixelColor(std::min(p.x() + dx, img.width() - 1), p.y() + dy).red() < 100) ++ink;
        EXPECT_GT(ink, 10) << y;
    }
    // The reference at the minimum: the lower half is all green.
    view->LegendMid = 0;
    img = frame(*view);
    EXPECT_LE(distance(at(img, x, y0 + 0.02 * h), rgb(0, 1, 0)), 6);
    EXPECT_LE(distance(at(img, x, y0 + 0.45 * h), rgb(0, 1, 0)), 6);
}

TEST_F(Render, PhotographGreyNodesAndNothingWithoutItsArrays) {
    // A 2 x 1 picture over 0..1 x 0..0.5: node values 0, 0.5, 1 on both rows.
    std::vector<double> image{0, 0.5, 1, 0, 0.5, 1};
    std::vector<double> grid{0};
    plot->PhotoMode = true;
    plot->Image = image.data();
    plot->ImageNx = 2;
    plot->ImageNy = 1;
    plot->ImageX0 = 0;
    plot->ImageY0 = 0;
    plot->ImageX1 = 1;
    plot->ImageY1 = 0.5;
    plot->ShowGrid = true;
    BlockField b(2, 2, 0, 1, 0, 1, 4);
    plot->NodeX = b.x.data();
    plot->NodeY = b.y.data();
    plot->CellNodes = b.cells.data();
    plot->CellStride = 4;
    plot->CellCount = 4;
    plot->NodeCount = b.nodes();
    // One of the four picture arrays missing: nothing at all.
    plot->ImageGridX = grid.data();
    plot->ImageGridY = grid.data();
    QImage img = frame(*view);
    int marked = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y) != QColor(Qt::white)) ++marked;
    EXPECT_EQ(marked, 0);
    plot->Intensity = grid.data();
    img = frame(*view);
    EXPECT_LE(distance(at(img, 0.25, 0.25), rgb(0.25, 0.25, 0.25)), 4);
    EXPECT_LE(distance(at(img, 0.75, 0.25), rgb(0.75, 0.75, 0.75)), 4);
    EXPECT_EQ(at(img, 0.75, 0.75), QColor(Qt::white));  // above the picture, inside a grid cell
    // Colour: three values per node.
    std::vector<double> colour{1, 0, 0, 1, 0, 0, 0, 0, 1, 1, 0, 0, 1, 0, 0, 0, 0, 1};
    plot->Image = colour.data();
    plot->ImageRGB = 1;
    img = frame(*view);
    EXPECT_LE(distance(at(img, 0.25, 0.25), rgb(1, 0, 0)), 4);
    EXPECT_LE(distance(at(img, 0.75, 0.25), rgb(0.5, 0, 0.5)), 4);
}

void rightClick(TMyOpenGL& v, QPoint p) {
    QTest::mouseClick(&v, Qt::RightButton, Qt::NoModifier, p);
}

TEST_F(Render, RightClickPicksTheObjectUnderThePointer) {
    BlockField b(4, 4, 0, 1, 0, 1, 16);
    linearField(b);
    plot->ShowContour = true;
    frame(*view);
    view->CurrentObject = nullptr;
    rightClick(*view, pixelOf(*view, 0.5, 0.5));
    EXPECT_EQ(view->CurrentObject, plot);
    EXPECT_EQ(view->DrawMode, dmMove);
    rightClick(*view, pixelOf(*view, 0.5, 0.5));
    EXPECT_EQ(view->DrawMode, dmZoom);
    // Beside the plot: nothing.
    rightClick(*view, pixelOf(*view, 1.12, 0.5));
    EXPECT_EQ(view->CurrentObject, nullptr);
    EXPECT_EQ(view->DrawMode, dmMove);
}

TEST_F(Render, PickingThroughOverlaysAndCyclingOverlappingObjects) {
    BlockField b(4, 4, -1, 2, -1, 2, 16);  // under the whole view
    linearField(b);
    plot->ShowContour = true;
    view->LegendOn = true;
    view->DraftOn = true;
    view->DrawWedge(2, 1.4, 30);
    view->UpdateLegendGeometry();
    QPoint onLegend = pixelOf(*view, view->LegendX + 0.4 * view->LegendWidth, view->LegendY + 0.5 * view->LegendHeight);
    // The legend and the schematic are drawn without a name: the plot is
    // picked each time.
    for (int k = 0; k < 3; ++k) {
        rightClick(*view, onLegend);
        EXPECT_EQ(view->DrawMode, dmMove);
        EXPECT_EQ(view->CurrentObject, plot) << k;
        rightClick(*view, onLegend);
    }
    // A second plot over the first: picks alternate between them.
    TGLQuadrilaterals* second = view->AddQuadrilaterals(0, 0, 1, 1, 255);
    b.attach(*second);
    second->ShowContour = true;
    std::vector<TGLObject*> picked;
    for (int k = 0; k < 4; ++k) {
        rightClick(*view, onLegend);
        picked.push_back(view->CurrentObject);
        rightClick(*view, onLegend);
    }
    EXPECT_EQ(picked, (std::vector<TGLObject*>{plot, second, plot, second}));
    // Only the legend under an empty list: nothing.
    view->DeleteAll();
    rightClick(*view, onLegend);
    EXPECT_EQ(view->CurrentObject, nullptr);
}

TEST_F(Render, DeleteModeRemovesThePickedObjectHeadIncluded) {
    BlockField b(4, 4, 0, 1, 0, 1, 16);
    linearField(b);
    plot->ShowContour = true;
    TGLQuadrilaterals* second = view->AddQuadrilaterals(0, 0, 1, 1, 255);  // current
    b.attach(*second);
    second->ShowContour = true;
    view->SetDrawMode(dmDelete);
    QPoint p = pixelOf(*view, 0.5, 0.5);
    // Both are hit; the pick moves on from the current one to the head.
    QTest::mouseClick(view.get(), Qt::LeftButton, Qt::NoModifier, p);
    EXPECT_EQ(view->FirstObject, second);
    EXPECT_EQ(second->GetNext(), nullptr);
    EXPECT_EQ(view->CurrentObject, nullptr);
    QTest::mouseClick(view.get(), Qt::LeftButton, Qt::NoModifier, p);
    EXPECT_EQ(view->FirstObject, nullptr);
    QTest::mouseClick(view.get(), Qt::LeftButton, Qt::NoModifier, p);  // nothing left to pick
    EXPECT_EQ(view->CurrentObject, nullptr);
    EXPECT_EQ(frame(*view).pixelColor(p), QColor(Qt::white));
}

TEST_F(Render, PickedPlotFollowsALeftDrag) {
    BlockField b(4, 4, 0, 1, 0, 1, 16);
    linearField(b);
    plot->ShowContour = true;
    frame(*view);
    rightClick(*view, pixelOf(*view, 0.5, 0.5));
    ASSERT_EQ(view->DrawMode, dmMove);
    QPoint from = pixelOf(*view, 0.5, 0.5), to = from + QPoint(40, 0);
    QTest::mousePress(view.get(), Qt::LeftButton, Qt::NoModifier, from);
    QMouseEvent m(QEvent::MouseMove, QPointF(to), QPointF(view->mapToGlobal(to)), Qt::NoButton, Qt::LeftButton,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(view.get(), &m);
    QTest::mouseRelease(view.get(), Qt::LeftButton, Qt::NoModifier, to);
    // 40 pixels of 400 over the requested window 0..1.
    EXPECT_NEAR(plot->TransX, 0.1, 1e-6);
    QImage img = frame(*view);
    EXPECT_EQ(at(img, 0.05, 0.5), QColor(Qt::white));
    EXPECT_NE(at(img, 1.05, 0.5), QColor(Qt::white));
}

TEST_F(Render, RubberBandZoomAndPanMoveTheDrawing) {
    BlockField b(20, 20, 0, 1, 0, 1, 500);
    linearField(b);
    plot->ShowContour = true;
    frame(*view);
    // Drag over the left half of the data: 0..0.5 x 0.25..0.75.
    QPoint a = pixelOf(*view, 0, 0.75), z = pixelOf(*view, 0.5, 0.25);
    QTest::mousePress(view.get(), Qt::LeftButton, Qt::NoModifier, a);
    QMouseEvent m(QEvent::MouseMove, QPointF(z), QPointF(view->mapToGlobal(z)), Qt::NoButton, Qt::LeftButton,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(view.get(), &m);
    QTest::mouseRelease(view.get(), Qt::LeftButton, Qt::NoModifier, z);
    EXPECT_NEAR(view->WorldX0, 0, 0.01);
    EXPECT_NEAR(view->WorldX1, 0.5, 0.01);
    QImage img = frame(*view);
    // The middle of the screen now shows x = 0.25.
    QColor mid = img.pixelColor(img.width() / 2, img.height() / 2);
    EXPECT_LE(distance(mid, rgb(0, 0.5, 0.5)), 8) << mid.name().toStdString();
    // A pan by 0.1 to the right shows x = 0.15 there.
    view->ViewTransX = 0.1f;
    img = frame(*view);
    mid = img.pixelColor(img.width() / 2, img.height() / 2);
    EXPECT_LE(distance(mid, rgb(0, 0.3, 0.7)), 8) << mid.name().toStdString();
}

TEST_F(Render, GlobalAxisAfterRestore) {
    view->RestoreToInit();
    QImage img = frame(*view);
    view->UpdateAxisGeometry();
    QPoint p = pixelOf(*view, view->AxisX0 + 0.5 * view->AxisLengthX, view->AxisY0);
    int darkest = 255;
    for (int dy = -2; dy <= 2; ++dy) darkest = std::min(darkest, img.pixelColor(p.x(), p.y() + dy).red());
    EXPECT_LT(darkest, 140);
}

TEST_F(Render, CopyPictureGoesToTheClipboard) {
    BlockField b(20, 20, 0, 1, 0, 1, 500);
    linearField(b);
    plot->ShowContour = true;
    plot->ShowGrid = true;
    QImage img = frame(*view);
    view->CopyPicture(view->rect());
    QImage copied = QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(copied.size(), QSize(400, 300));
    for (QPoint p : {QPoint(0, 0), QPoint(200, 150), QPoint(120, 40), QPoint(399, 299)})
        EXPECT_EQ(copied.pixelColor(p), img.pixelColor(p));
    view->CopyPicture(QRect(100, 50, 120, 80));
    QImage part = QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(part.size(), QSize(120, 80));
    EXPECT_EQ(part.pixelColor(0, 0), img.pixelColor(100, 50));
    EXPECT_EQ(part.pixelColor(119, 79), img.pixelColor(219, 129));
}

}  // namespace

// A demonstration of the controls with real data: the library's wedge case
// (Mach 2, 30 degrees, resolution 5) runs to 53 % in a temporary working
// directory; the node values then go through the flow plot with every layer,
// the wedge schematic is drawn with the run's legend, and the gauge shows the
// run's progress. The pictures are saved as PNG (VORLANTIC_PICTURES names a
// second folder).
#include <gtest/gtest.h>

#include <QTest>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "controls/MyProgressBar.h"
#include "qelta.h"
#include "render_support.h"
#include "support/workdir.h"

using namespace vorlantic;
using namespace vorlantic::testing;

namespace {

// The exchange arrays as the main window holds them.
struct NodeArrays {
    int capacity = getIntPar(0);
    std::vector<double> x = std::vector<double>(capacity), y = x, r = x, p = x, ux = x, uy = x;
    std::vector<int> cells = std::vector<int>(4 * static_cast<std::size_t>(capacity));
    std::vector<int> hang = std::vector<int>(capacity);
    int nnode = 0, ncell = 0, nhang = 0;
    void fetch() {
        get_cell_vertex(x.data(), y.data(), &nnode, cells.data(), &ncell, hang.data(), &nhang, r.data(), p.data(),
                        ux.data(), uy.data());
    }
    double rmax() const { return *std::max_element(r.begin(), r.begin() + nnode); }
};

class Demo : public qelta::testing::WorkDir {};

// Kinds of pixel in a picture of the plot.
struct Census {
    int blue = 0, green = 0, red = 0, black = 0, white = 0;
};

Census census(const QImage& img) {
    Census c;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            QColor p = img.pixelColor(x, y);
            if (p == QColor(Qt::white))
                ++c.white;
            else if (p.red() < 60 && p.green() < 60 && p.blue() < 60)
                ++c.black;
            else if (p.blue() > 150 && p.blue() > p.red() + 80)
                ++c.blue;
            else if (p.red() > 150 && p.red() > p.blue() + 80)
                ++c.red;
            else if (p.green() > 150)
                ++c.green;
        }
    return c;
}

TEST_F(Demo, WedgeRunInEachControl) {
    double realPar[20] = {0, 2.0, 30.0, 1.4};
    int intPar[20] = {0, 0, 0, 0, 2, 5};
    initialize_qelta(realPar, intPar);
    NodeArrays a;
    a.fetch();
    ASSERT_GT(a.ncell, 100);
    double midDensity = a.rmax();  // the wedge's reference: the first fetch's maximum

    double progress = 0;
    int steps = 0;
    while (std::trunc(100 * progress) < 53 && steps < 20000) {
        step(&progress);
        ++steps;
    }
    ASSERT_EQ(static_cast<int>(100 * progress), 53) << steps << " steps";
    a.fetch();
    std::printf("wedge run: %d steps to %.1f %%, %d cells, %d nodes\n", steps, 100 * progress, a.ncell, a.nnode);

    // The flow plot as the main window draws it after a fetch.
    auto view = shownView(1200, 740);
    ASSERT_TRUE(view);
    view->SetBackColor(QColor(240, 240, 240));
    TGLQuadrilaterals* plot = view->AddQuadrilaterals(0, 0, 1, 1, 255);
    plot->CellNodes = a.cells.data();
    plot->NodeCount = a.nnode;
    plot->CellStride = a.capacity;
    plot->CellCount = a.ncell;
    plot->ShowGrid = plot->ShowVector = plot->ShowContour = plot->ShowContourLines = true;
    plot->ContourLineCount = 30 + 1;
    plot->VectorScale = 0.012;
    plot->setVariables(a.x.data(), a.y.data(), a.nnode, a.cells.data(), a.ux.data(), a.uy.data(), a.r.data());
    plot->ValueMid = midDensity;
    double x0 = *std::min_element(a.x.begin(), a.x.begin() + a.nnode);
    double x1 = *std::max_element(a.x.begin(), a.x.begin() + a.nnode);
    double y0 = *std::min_element(a.y.begin(), a.y.begin() + a.nnode);
    double y1 = *std::max_element(a.y.begin(), a.y.begin() + a.nnode);
    double mx = 0.08 * (x1 - x0), my = 0.08 * (y1 - y0);
    view->SetView(x0 - mx, x1 + mx, y0 - my, y1 + my, 0, 1);
    plot->SetOriginalXY(-0.04 * (x1 - x0), 0);
    view->LegendOn = true;
    view->LegendMin = plot->ValueMin;
    view->LegendMax = plot->ValueMax;
    view->LegendMid = plot->ValueMid;

    QImage flow = frame(*view);
    savePicture(flow, "flow_plot");
    Census all = census(flow);
    EXPECT_GT(all.blue, 2000);
    EXPECT_GT(all.red, 200);
    EXPECT_GT(all.black, 2000);
    EXPECT_GT(plot->ContourSeries.size(), 30u);
    std::size_t segments = 0;
    for (const auto& s : plot->ContourSeries) segments += s.Lines.size();
    EXPECT_GT(segments, 500u);

    // Zoomed by a rubber band onto the reflection at the wedge's apex: the
    // nodes denser than the reference by 5 %, with a margin.
    double bx0 = 1e30, bx1 = -1e30, by0 = 1e30, by1 = -1e30;
    for (int n = 0; n < a.nnode; ++n)
        if (a.r[n] > 1.05 * midDensity) {
            bx0 = std::min(bx0, a.x[n] + plot->TransX);
            bx1 = std::max(bx1, a.x[n] + plot->TransX);
            by0 = std::min(by0, a.y[n]);
            by1 = std::max(by1, a.y[n]);
        }
    ASSERT_LT(bx0, bx1);
    double gx = 0.3 * (bx1 - bx0), gy = 0.3 * (by1 - by0);
    QPoint c0 = pixelOf(*view, bx0 - gx, by1 + gy), c1 = pixelOf(*view, bx1 + gx, by0 - gy);
    view->Zoom(c0.x(), c0.y(), c1.x(), c1.y());
    plot->VectorScale = 0.004;
    QImage zoomed = frame(*view);
    savePicture(zoomed, "flow_plot_zoomed");
    EXPECT_GT(census(zoomed).red, 20000);
    plot->VectorScale = 0.012;
    view->SetView(x0 - mx, x1 + mx, y0 - my, y1 + my, 0, 1);

    // The layers one by one, for a closer look.
    plot->ShowGrid = plot->ShowVector = plot->ShowContourLines = false;
    savePicture(frame(*view), "flow_contours");
    plot->ShowContour = false;
    plot->ShowContourLines = true;
    savePicture(frame(*view), "flow_contour_lines");
    plot->ShowContourLines = false;
    plot->ShowVector = true;
    view->LegendOn = false;
    savePicture(frame(*view), "flow_vectors");
    plot->ShowVector = false;
    plot->ShowGrid = true;
    savePicture(frame(*view), "flow_grid");

    // The wedge schematic, with the run's legend, over a detached plot.
    plot->NodeX = plot->NodeY = plot->Values = nullptr;
    plot->CellNodes = nullptr;
    view->DrawWedge(2.0, 1.4, 30);
    view->DraftOn = true;
    view->LegendOn = true;
    QImage draft = frame(*view);
    savePicture(draft, "wedge_schematic");
    Census sch = census(draft);
    EXPECT_GT(sch.black, 500);
    EXPECT_GT(sch.blue + sch.red + sch.green, 500);  // the legend bar

    // The gauge at the run's progress.
    TMyProgressBar gauge;
    gauge.resize(189, 53);
    gauge.SetProgress(static_cast<std::int64_t>((gauge.MaxValue() - gauge.MinValue()) * progress));
    gauge.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&gauge));
    QImage bar = gauge.grab().toImage().convertToFormat(QImage::Format_RGB32);
    savePicture(bar, "gauge_53");
    EXPECT_EQ(gauge.PercentText(), "53%");
    EXPECT_EQ(gauge.DoneWidth(), 100);
    EXPECT_EQ(bar.pixelColor(50, 26), gauge.BarForeColor());
    EXPECT_EQ(bar.pixelColor(150, 26), gauge.BarBackColor());
    close_recording_file();
}

}  // namespace

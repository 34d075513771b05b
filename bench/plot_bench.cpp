// Repaint of the flow plot at the library's cell capacity: 200,000 cells
// with colour contours and 31 contour-line levels (the main window's 30 + 1)
// and the legend, in a 1000 x 800 view; then with grid and vectors as well.
// Prints the time of a repaint (drawn and finished), of the contour-line
// search alone, and the allocations made during a repaint.
//
//   vorlantic_plot_bench [--quick]      (needs an X display: xvfb-run -a)
#include <GL/gl.h>

#include <QApplication>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "controls/MyOpenGL.h"

namespace {

std::atomic<long> allocations{0};

}  // namespace

void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kNx = 500, kNy = 400;  // 200,000 cells
constexpr int kCapacity = 200000;

// A blast ring over a ramp: many contour lines, some crowded.
double field(double x, double y) {
    double r = std::hypot(x - 1.0, y - 0.8);
    return 1 + 0.4 * x + 3 * std::exp(-std::pow((r - 0.6) / 0.05, 2)) + 0.2 * std::sin(12 * x) * std::cos(9 * y);
}

struct Grid {
    std::vector<double> x, y, u, v, f;
    std::vector<int> cells = std::vector<int>(4 * static_cast<std::size_t>(kCapacity));
    Grid() {
        for (int j = 0; j <= kNy; ++j)
            for (int i = 0; i <= kNx; ++i) {
                double px = 2.5 * i / kNx, py = 2.0 * j / kNy;
                x.push_back(px);
                y.push_back(py);
                u.push_back(0.3 * std::cos(py));
                v.push_back(0.3 * std::sin(px));
                f.push_back(field(px, py));
            }
        for (int j = 0; j < kNy; ++j)
            for (int i = 0; i < kNx; ++i) {
                int c = j * kNx + i, ll = j * (kNx + 1) + i + 1;  // node numbers from 1
                int corner[4] = {ll + kNx + 2, ll + kNx + 1, ll, ll + 1};
                for (int k = 0; k < 4; ++k) cells[c + static_cast<std::size_t>(k) * kCapacity] = corner[k];
            }
    }
};

double seconds(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

struct Timing {
    double best = 1e30, mean = 0;
    long allocations = 0;
};

Timing repaint(vorlantic::TMyOpenGL& view, int repeats) {
    view.makeCurrent();
    view.RenderGLScene(vorlantic::kRenderMode);  // warm-up: first use of the state and series
    glFinish();
    Timing t;
    long before = allocations;
    for (int k = 0; k < repeats; ++k) {
        auto t0 = Clock::now();
        view.RenderGLScene(vorlantic::kRenderMode);
        glFinish();
        double s = seconds(t0);
        t.best = std::min(t.best, s);
        t.mean += s / repeats;
    }
    t.allocations = (allocations - before) / repeats;
    view.doneCurrent();
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    int repeats = quick ? 1 : 10;
    QApplication app(argc, argv);
    Grid g;

    vorlantic::TMyOpenGL view;
    view.resize(1000, 800);
    view.SetBackColor(QColor(240, 240, 240));
    view.show();
    for (int k = 0; k < 200 && !view.isValid(); ++k) QApplication::processEvents(QEventLoop::AllEvents, 10);
    if (!view.isValid()) {
        std::fprintf(stderr, "no OpenGL context: is there an X display?\n");
        return 1;
    }
    view.SetView(-0.2f, 2.7f, -0.16f, 2.16f, 0, 1);
    vorlantic::TGLQuadrilaterals* plot = view.AddQuadrilaterals(0, 0, 1, 1, 255);
    plot->setVariables(g.x.data(), g.y.data(), static_cast<int>(g.x.size()), g.cells.data(), g.u.data(), g.v.data(),
                       g.f.data());
    plot->CellStride = kCapacity;
    plot->CellCount = kNx * kNy;
    plot->ValueMid = 0.5 * (plot->ValueMin + plot->ValueMax);
    plot->ContourLineCount = 31;
    plot->ShowContour = plot->ShowContourLines = true;
    plot->VectorScale = 0.01;
    view.LegendOn = true;
    view.LegendMin = plot->ValueMin;
    view.LegendMax = plot->ValueMax;
    view.LegendMid = plot->ValueMid;

    Timing main = repaint(view, repeats);
    std::size_t segments = 0;
    for (const auto& s : plot->ContourSeries) segments += s.Lines.size();

    auto t0 = Clock::now();
    for (int k = 0; k < repeats; ++k) plot->ComputeContourLines(g.f.data());
    double search = seconds(t0) / repeats;

    Timing grid, vectors;
    if (!quick) {
        plot->ShowContourLines = false;
        plot->ShowGrid = true;
        grid = repaint(view, repeats);
        plot->ShowGrid = false;
        plot->ShowVector = true;
        vectors = repaint(view, repeats);
    }
    plot->ShowGrid = plot->ShowVector = plot->ShowContourLines = true;
    Timing all = repaint(view, repeats);

    const char* renderer = nullptr;
    view.makeCurrent();
    renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    std::printf("renderer: %s\n", renderer ? renderer : "?");
    view.doneCurrent();
    std::printf("%d cells, contours + %d contour levels (%zu segments) + legend, 1000 x 800: repaint %.3f s"
                " (best %.3f s), %ld allocations per repaint; contour-line search alone %.3f s\n",
                kNx * kNy, plot->ContourLevels(), segments, main.mean, main.best, main.allocations, search);
    if (!quick)
        std::printf("contours + grid: repaint %.3f s; contours + vectors (4 arrows a cell): repaint %.3f s\n",
                    grid.mean, vectors.mean);
    std::printf("every layer: repaint %.3f s (best %.3f s), %ld allocations per repaint\n", all.mean, all.best,
                all.allocations);
    return 0;
}

#include "render_support.h"

#include <QDir>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>

namespace vorlantic::testing {

std::unique_ptr<TMyOpenGL> shownView(int w, int h) {
    auto v = std::make_unique<TMyOpenGL>();
    v->resize(w, h);
    v->SetBackColor(Qt::white);
    v->show();
    if (!QTest::qWaitForWindowExposed(v.get())) return nullptr;
    QTest::qWait(20);
    return v;
}

QImage frame(TMyOpenGL& v) { return v.grabFramebuffer().convertToFormat(QImage::Format_RGB32); }

QPoint pixelOf(const TMyOpenGL& v, double x, double y) {
    double px = (x - v.ViewXMin) / (v.ViewXMax - v.ViewXMin) * v.width();
    double py = (v.ViewYMax - y) / (v.ViewYMax - v.ViewYMin) * v.height();
    return QPoint(static_cast<int>(std::floor(px)), static_cast<int>(std::floor(py)));
}

int distance(const QColor& a, const QColor& b) {
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())});
}

BlockField::BlockField(int nx_, int ny_, double x0, double x1, double y0, double y1, int capacity_)
    : nx(nx_), ny(ny_), capacity(capacity_) {
    for (int j = 0; j <= ny; ++j)
        for (int i = 0; i <= nx; ++i) {
            x.push_back(x0 + (x1 - x0) * i / nx);
            y.push_back(y0 + (y1 - y0) * j / ny);
        }
    u.assign(x.size(), 0);
    v.assign(x.size(), 0);
    f.assign(x.size(), 0);
    cells.assign(4 * static_cast<std::size_t>(capacity), 0);
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            int c = j * nx + i;
            int ll = j * (nx + 1) + i + 1;
            int corner[4] = {ll + nx + 2, ll + nx + 1, ll, ll + 1};
            for (int k = 0; k < 4; ++k) cells[c + static_cast<std::size_t>(k) * capacity] = corner[k];
        }
}

void BlockField::jitter(double cells, unsigned seed) {
    if (cells == 0) return;
    const double hx = nx > 0 ? x[1] - x[0] : 0, hy = ny > 0 ? y[nx + 1] - y[0] : 0;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> shift(-cells, cells);
    for (int j = 1; j < ny; ++j)
        for (int i = 1; i < nx; ++i) {
            const std::size_t n = static_cast<std::size_t>(j) * (nx + 1) + i;
            x[n] += shift(rng) * hx;
            y[n] += shift(rng) * hy;
        }
}

void BlockField::attach(TGLQuadrilaterals& plot) {
    plot.setVariables(x.data(), y.data(), nodes(), cells.data(), u.data(), v.data(), f.data());
    plot.CellStride = capacity;
    plot.CellCount = nx * ny;
}

QString savePicture(const QImage& image, const QString& name) {
    QString dir = VORLANTIC_PICTURE_DIR;
    QDir().mkpath(dir);
    QString path = dir + "/" + name + ".png";
    image.save(path, "PNG");
    if (const char* extra = std::getenv("VORLANTIC_PICTURES")) {
        QDir().mkpath(extra);
        image.save(QString(extra) + "/" + name + ".png", "PNG");
    }
    return path;
}

}  // namespace vorlantic::testing

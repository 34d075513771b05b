// Helpers of the drawing tests: a shown view, its picture, the pixel of a
// world point, a block grid in the library's layout, and saving pictures.
#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <memory>
#include <vector>

#include "controls/MyOpenGL.h"

namespace vorlantic::testing {

// A top-level view of w x h pixels, shown and exposed, on a white
// background; every overlay off.
std::unique_ptr<TMyOpenGL> shownView(int w, int h);

// A fresh frame of the view.
QImage frame(TMyOpenGL& v);

// The pixel whose centre is nearest to the world point (x, y) of the visible
// window.
QPoint pixelOf(const TMyOpenGL& v, double x, double y);

// Colour distance, largest channel difference.
int distance(const QColor& a, const QColor& b);

// nx x ny cells over [x0, x1] x [y0, y1], nodes numbered from 1 row by row,
// each cell upper-right, upper-left, lower-left, lower-right, the table's
// columns `capacity` apart.
struct BlockField {
    int nx = 0, ny = 0, capacity = 0;
    std::vector<double> x, y, u, v, f;
    std::vector<int> cells;
    BlockField(int nx, int ny, double x0, double x1, double y0, double y1, int capacity);
    int nodes() const { return static_cast<int>(x.size()); }
    // Shifts every inner node by up to `cells` cell widths in x and in y,
    // uniformly at random from seed; the cells stay convex below one half.
    void jitter(double cells, unsigned seed);
    // Points the plot at the arrays, as the main window does.
    void attach(TGLQuadrilaterals& plot);
};

// Saves the picture as PNG into the tests' picture folder and, when the
// environment names one in VORLANTIC_PICTURES, there too; returns the first path.
QString savePicture(const QImage& image, const QString& name);

}  // namespace vorlantic::testing

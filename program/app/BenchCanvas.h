// The drawing surface of the optical-bench schematic: a bitmap with a pen
// and a brush, drawn in the manner of a window canvas (rectangles given as
// left, top, right, bottom, with the right and bottom edges outside).
#pragma once

#include <QColor>
#include <QImage>
#include <QPen>
#include <QPoint>

#include "platform/Rect.h"

namespace vorlantic {

using platform::TRect;

class BenchCanvas {
public:
    BenchCanvas(int width = 0, int height = 0);

    // A new bitmap of that size, white.
    void SetSize(int width, int height);
    int Width() const { return FImage.width(); }
    int Height() const { return FImage.height(); }
    const QImage& Image() const { return FImage; }

    void SetPenColor(const QColor& color) { FPenColor = color; }
    void SetPenWidth(int width) { FPenWidth = width; }
    // Qt::SolidLine or Qt::DotLine.
    void SetPenStyle(Qt::PenStyle style) { FPenStyle = style; }
    void SetBrushColor(const QColor& color) { FBrushColor = color; }
    int PenWidth() const { return FPenWidth; }
    Qt::PenStyle PenStyle() const { return FPenStyle; }
    QColor BrushColor() const { return FBrushColor; }

    // The whole bitmap filled with the brush.
    void Clear();
    // Filled with the brush, no outline.
    void FillRect(const TRect& r);
    // Outlined with the pen, filled with the brush.
    void Ellipse(const TRect& r);
    void RoundRect(const TRect& r, int cornerWidth, int cornerHeight);
    void MoveTo(int x, int y) { FPenPos = QPoint(x, y); }
    // A line from the pen position to (x, y), which becomes the position.
    void LineTo(int x, int y);
    // The whole picture scaled into r.
    void StretchDraw(const TRect& r, const QImage& picture);

private:
    QPen Pen() const { return QPen(FPenColor, FPenWidth, FPenStyle); }

    QImage FImage;
    QColor FPenColor = Qt::black;
    int FPenWidth = 1;
    Qt::PenStyle FPenStyle = Qt::SolidLine;
    QColor FBrushColor = Qt::white;
    QPoint FPenPos;
};

}  // namespace vorlantic

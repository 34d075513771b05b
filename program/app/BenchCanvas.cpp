#include "app/BenchCanvas.h"

#include <QPainter>

namespace vorlantic {

namespace {

// The outline of a shape in r covers columns Left .. Right - 1.
QRect OutlineBox(const TRect& r) { return QRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1); }

}  // namespace

BenchCanvas::BenchCanvas(int width, int height) { SetSize(width, height); }

void BenchCanvas::SetSize(int width, int height) {
    FImage = QImage(width, height, QImage::Format_RGB32);
    FImage.fill(Qt::white);
}

void BenchCanvas::Clear() { FImage.fill(FBrushColor); }

void BenchCanvas::FillRect(const TRect& r) {
    if (FImage.isNull()) return;
    QPainter p(&FImage);
    p.fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), FBrushColor);
}

void BenchCanvas::Ellipse(const TRect& r) {
    if (FImage.isNull()) return;
    QPainter p(&FImage);
    p.setPen(Pen());
    p.setBrush(FBrushColor);
    p.drawEllipse(OutlineBox(r));
}

void BenchCanvas::RoundRect(const TRect& r, int cornerWidth, int cornerHeight) {
    if (FImage.isNull()) return;
    QPainter p(&FImage);
    p.setPen(Pen());
    p.setBrush(FBrushColor);
    p.drawRoundedRect(OutlineBox(r), cornerWidth / 2.0, cornerHeight / 2.0);
}

void BenchCanvas::LineTo(int x, int y) {
    if (!FImage.isNull()) {
        QPainter p(&FImage);
        p.setPen(Pen());
        p.drawLine(FPenPos, QPoint(x, y));
    }
    FPenPos = QPoint(x, y);
}

void BenchCanvas::StretchDraw(const TRect& r, const QImage& picture) {
    if (FImage.isNull() || picture.isNull()) return;
    QPainter p(&FImage);
    p.drawImage(QRect(r.Left, r.Top, r.Width(), r.Height()), picture);
}

}  // namespace vorlantic

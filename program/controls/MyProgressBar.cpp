#include "controls/MyProgressBar.h"

#include <QFontMetrics>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace vorlantic {

namespace {

QRect toQRect(const platform::TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

void fill(QPainter& canvas, int left, int top, int right, int bottom, const QColor& color) {
    if (right > left && bottom > top) canvas.fillRect(QRect(left, top, right - left, bottom - top), color);
}

// The outline of the rectangle (left, top) .. (right, bottom), the right and
// bottom edges just outside.
void outline(QPainter& canvas, int left, int top, int right, int bottom, const QColor& color) {
    if (right - left < 1 || bottom - top < 1) return;
    canvas.setPen(color);
    canvas.setBrush(Qt::NoBrush);
    canvas.drawRect(QRect(left, top, right - left - 1, bottom - top - 1));
}

// The line from (x, bottom) up to (x, y) and on to (right, y), the end points
// excluded.
void topLeft(QPainter& canvas, int x, int y, int bottom, int right, const QColor& color) {
    canvas.setPen(color);
    if (bottom - 1 >= y) canvas.drawLine(x, bottom - 1, x, y);
    if (right - 1 >= x) canvas.drawLine(x, y, right - 1, y);
}

}  // namespace

TMyProgressBar::TMyProgressBar(QWidget* parent) : QWidget(parent) {
    FBarForeColor = palette().color(QPalette::Highlight);
    FBarBackColor = palette().color(QPalette::Button);
    FTextForeColor = palette().color(QPalette::Highlight);
    FTextBackColor = palette().color(QPalette::Button);
    FSingleBorderColor = palette().color(QPalette::WindowText);
    resize(150, 20);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

// ------------------------------------------------------------ setters

void TMyProgressBar::SetShowText(bool value) { StoreChanged(FShowText, value); }

void TMyProgressBar::SetBorderStyle(TGaugeBorders value) { StoreChanged(FBorder, value); }

void TMyProgressBar::SetFillStyle(TGaugeStyles value) {
    if (value == FFillStyle) return;
    FFillStyle = value;
    FShowText = value != gsDashed;
    update();
}

void TMyProgressBar::SetBarForeColor(const QColor& value) { StoreChanged(FBarForeColor, value); }

void TMyProgressBar::SetBarBackColor(const QColor& value) { StoreChanged(FBarBackColor, value); }

void TMyProgressBar::SetTextForeColor(const QColor& value) { StoreChanged(FTextForeColor, value); }

void TMyProgressBar::SetTextBackColor(const QColor& value) { StoreChanged(FTextBackColor, value); }

void TMyProgressBar::SetMinValue(std::int64_t value) {
    if (value == FMinValue) return;
    FMinValue = value > FMaxValue ? FMaxValue : value;
    if (FProgress < FMinValue) FProgress = FMinValue;
    update();
}

void TMyProgressBar::SetMaxValue(std::int64_t value) {
    if (value == FMaxValue) return;
    FMaxValue = value < FMinValue ? FMinValue : value;
    if (FProgress > FMaxValue) FProgress = FMaxValue;
    update();
}

std::int64_t TMyProgressBar::Clamped(std::int64_t value) const {
    if (value < FMinValue) return FMinValue;
    if (value > FMaxValue) return FMaxValue;
    return value;
}

void TMyProgressBar::SetProgress(std::int64_t value) {
    FProgress = Clamped(value);
    update();
}

void TMyProgressBar::SetStepValue(std::int64_t value) { FStep = value; }

// progress + delta, held at the 64-bit limits instead of wrapping round.
std::int64_t TMyProgressBar::Advanced(std::int64_t delta) const {
    std::int64_t sum;
    if (__builtin_add_overflow(FProgress, delta, &sum)) sum = delta > 0 ? INT64_MAX : INT64_MIN;
    return sum;
}

void TMyProgressBar::StepIt() { StepBy(FStep); }

void TMyProgressBar::StepBy(std::int64_t delta) {
    FProgress = Clamped(Advanced(delta));
    update();
}

void TMyProgressBar::SetText(const QString& value) {
    FText = value;
    update();
}

void TMyProgressBar::SetSingleBorderColor(const QColor& value) {
    FSingleBorderColor = value;
    update();
}

void TMyProgressBar::SetInnerBorderSize(std::int64_t value) {
    FInnerBorderSize = value;
    update();
}

void TMyProgressBar::SetTextAlign(Qt::Alignment value) {
    FAlignText = value;
    update();
}

// ------------------------------------------------------------ arithmetic

void TMyProgressBar::CalculatePercentDone() {
    // minimum <= progress <= maximum: the differences are exact in unsigned
    // arithmetic, even across the whole signed range.
    auto above = [this](std::int64_t v) {
        return static_cast<std::uint64_t>(v) - static_cast<std::uint64_t>(FMinValue);
    };
    float range = static_cast<float>(above(FMaxValue));
    if (range != 0)
        FPercentAt = static_cast<float>(static_cast<double>(above(FProgress)) / range * 100);
    else
        FPercentAt = 100;
}

void TMyProgressBar::CalculatePixelWidth() {
    double w = static_cast<float>(width());
    FDoneWidth = static_cast<std::int64_t>(std::trunc(w * FPercentAt * 0.01));
}

QString TMyProgressBar::PercentText() const {
    QString text = FText;
    return text.replace("$p", QString::number(static_cast<long long>(std::trunc(FPercentAt))));
}

// ------------------------------------------------------------ painting

void TMyProgressBar::PaintBar(QPainter& canvas) {
    int h = height();
    if (FFillStyle == gsNone) {
        fill(canvas, FDoneRect.Left, 0, FDoneRect.Right + FRestRect.Right, h, FBarBackColor);
        return;
    }
    fill(canvas, FDoneRect.Left, FDoneRect.Top, FDoneRect.Right, FDoneRect.Bottom, FBarForeColor);
    fill(canvas, FRestRect.Left, FRestRect.Top, FRestRect.Right, FRestRect.Bottom, FBarBackColor);
    if (FFillStyle == gsDashed) {
        // 2-pixel gaps every 10 pixels of the filled part.
        for (int i = 1; i < width(); ++i) {
            int x0 = 10 * i, x1 = std::min(10 * i + 2, FDoneRect.Right);
            if (x1 <= x0) break;
            fill(canvas, x0, 0, x1, h, FBarBackColor);
        }
    }
}

void TMyProgressBar::PaintText(QPainter& canvas) {
    if (!FShowText) return;
    QString text = PercentText();
    canvas.setFont(font());
    QFontMetrics fm(font());
    int tw = fm.horizontalAdvance(text), th = fm.height();
    int inner = static_cast<int>(std::clamp<std::int64_t>(FInnerBorderSize, -65536, 65536));  // far off either way
    int y = (height() - th) / 2;
    int x;
    if (FAlignText & Qt::AlignRight)
        x = width() - tw - inner - 3;
    else if (FAlignText & Qt::AlignHCenter)
        x = (width() - tw) / 2;
    else
        x = inner + 2;
    // Over the filled part in the inverse pair, over the rest in the fore colour.
    canvas.setClipRect(toQRect(FDoneRect));
    canvas.setPen(FFillStyle == gsNone ? FTextForeColor : FTextBackColor);
    canvas.drawText(x, y + fm.ascent(), text);
    canvas.setClipRect(toQRect(FRestRect));
    canvas.setPen(FTextForeColor);
    canvas.drawText(x, y + fm.ascent(), text);
    canvas.setClipping(false);
}

void TMyProgressBar::PaintBorder(QPainter& canvas) {
    int W = width(), H = height();
    QColor highlight = palette().color(QPalette::Light);
    QColor shadow = palette().color(QPalette::Dark);
    QColor face = palette().color(QPalette::Button);
    QColor darkShadow = palette().color(QPalette::Shadow);
    int start = 1;
    switch (FBorder) {
        case gbNone:
            return;
        case gbSingle:
            outline(canvas, 0, 0, W, H, FSingleBorderColor);
            break;
        case gbSunken:
            outline(canvas, 0, 0, W, H, highlight);
            topLeft(canvas, 0, 0, H, W, shadow);
            break;
        case gbRaised:
            outline(canvas, 0, 0, W, H, shadow);
            topLeft(canvas, 0, 0, H, W, highlight);
            break;
        case gbDeepSunken:
            outline(canvas, 0, 0, W, H, highlight);
            topLeft(canvas, 0, 0, H, W, shadow);
            outline(canvas, 1, 1, W - 1, H - 1, face);
            topLeft(canvas, 1, 1, H - 1, W - 1, darkShadow);
            start = 2;
            break;
        case gbFatRaised:
            outline(canvas, 0, 0, W, H, shadow);
            topLeft(canvas, 0, 0, H, W, highlight);
            outline(canvas, 1, 1, W - 1, H - 1, darkShadow);
            topLeft(canvas, 1, 1, H - 1, W - 1, face);
            start = 2;
            break;
    }
    // Rings past the middle of the client are empty.
    std::int64_t rings = std::min<std::int64_t>(FInnerBorderSize, (std::min(W, H) + 1) / 2);
    for (int i = 0; i < rings; ++i) outline(canvas, start + i, start + i, W - start - i, H - start - i, FBarBackColor);
}

QImage TMyProgressBar::RenderGauge() {
    CalculatePercentDone();
    CalculatePixelWidth();
    int w = width(), h = height();
    int done = static_cast<int>(FDoneWidth);
    FDoneRect = platform::TRect{0, 0, done, h};
    FRestRect = platform::TRect{done, 0, w, h};
    QImage bitmap(std::max(w, 1), std::max(h, 1), QImage::Format_RGB32);
    bitmap.fill(FBarBackColor);
    {
        QPainter canvas(&bitmap);
        PaintBar(canvas);
        PaintText(canvas);
        PaintBorder(canvas);
    }
    return bitmap;
}

void TMyProgressBar::paintEvent(QPaintEvent*) {
    QImage bitmap = RenderGauge();
    QPainter painter(this);
    painter.drawImage(0, 0, bitmap);
}

// ------------------------------------------------------------ mouse

void TMyProgressBar::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    SetBorderStyle(gbSunken);
    update();
}

void TMyProgressBar::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit OnClick();
    QWidget::mouseReleaseEvent(event);
    SetBorderStyle(gbRaised);
    update();
}

}  // namespace vorlantic

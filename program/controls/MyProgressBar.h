// An owner-drawn progress gauge: a bar filled in proportion to a 64-bit
// progress between a minimum and a maximum, a text template with the
// percentage written over it in two colours, and one of six borders. Pressing
// sinks the border and releasing raises it, so the gauge can serve as a button.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

#include <cstdint>

#include "platform/Rect.h"

namespace vorlantic {

enum TGaugeBorders : unsigned char {
    gbNone = 0,
    gbSingle = 1,
    gbSunken = 2,
    gbDeepSunken = 3,
    gbRaised = 4,
    gbFatRaised = 5,
};

enum TGaugeStyles : unsigned char {
    gsNone = 0,
    gsSmooth = 1,
    gsDashed = 2,
};

class TMyProgressBar : public QWidget {
    Q_OBJECT

public:
    explicit TMyProgressBar(QWidget* parent = nullptr);

    bool ShowText() const { return FShowText; }
    TGaugeBorders Border() const { return FBorder; }
    TGaugeStyles FillStyle() const { return FFillStyle; }
    QColor BarForeColor() const { return FBarForeColor; }
    QColor BarBackColor() const { return FBarBackColor; }
    QColor TextForeColor() const { return FTextForeColor; }
    QColor TextBackColor() const { return FTextBackColor; }
    std::int64_t MinValue() const { return FMinValue; }
    std::int64_t MaxValue() const { return FMaxValue; }
    std::int64_t Progress() const { return FProgress; }
    std::int64_t Step() const { return FStep; }
    std::int64_t InnerBorderSize() const { return FInnerBorderSize; }
    float PercentAt() const { return FPercentAt; }
    const QString& Text() const { return FText; }
    QColor SingleBorderColor() const { return FSingleBorderColor; }
    // Qt::AlignLeft, Qt::AlignHCenter or Qt::AlignRight.
    Qt::Alignment AlignText() const { return FAlignText; }

    void SetShowText(bool value);
    void SetBorderStyle(TGaugeBorders value);
    void SetFillStyle(TGaugeStyles value);
    void SetBarForeColor(const QColor& value);
    void SetBarBackColor(const QColor& value);
    void SetTextForeColor(const QColor& value);
    void SetTextBackColor(const QColor& value);
    void SetMinValue(std::int64_t value);
    void SetMaxValue(std::int64_t value);
    void SetProgress(std::int64_t value);
    void SetStepValue(std::int64_t value);
    void StepIt();
    void StepBy(std::int64_t delta);
    void SetText(const QString& value);
    void SetSingleBorderColor(const QColor& value);
    void SetInnerBorderSize(std::int64_t value);
    void SetTextAlign(Qt::Alignment value);

    // PercentAt = (progress - minimum) / (maximum - minimum) x 100, or 100
    // for an empty range, in single precision.
    void CalculatePercentDone();
    // Done width = client width x PercentAt x 0.01, truncated.
    void CalculatePixelWidth();
    // The template with every "$p" replaced by the truncated percentage.
    QString PercentText() const;
    // Draws the gauge as it paints itself.
    QImage RenderGauge();

    std::int64_t DoneWidth() const { return FDoneWidth; }
    platform::TRect DoneRect() const { return FDoneRect; }
    platform::TRect RestRect() const { return FRestRect; }

signals:
    void OnClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Stores value and repaints, only when it differs.
    template <class T>
    void StoreChanged(T& field, const T& value) {
        if (value == field) return;
        field = value;
        update();
    }
    std::int64_t Clamped(std::int64_t value) const;
    std::int64_t Advanced(std::int64_t delta) const;
    void PaintBar(QPainter& canvas);
    void PaintText(QPainter& canvas);
    void PaintBorder(QPainter& canvas);

    std::int64_t FMinValue = 0, FMaxValue = 100, FProgress = 0;
    bool FShowText = true;
    TGaugeBorders FBorder = gbRaised;
    TGaugeStyles FFillStyle = gsSmooth;
    QColor FBarForeColor, FBarBackColor, FTextForeColor, FTextBackColor;
    float FPercentAt = 0;
    std::int64_t FDoneWidth = 0;
    std::int64_t FStep = 0;
    std::int64_t FInnerBorderSize = 0;
    platform::TRect FDoneRect, FRestRect;
    QString FText = "$p%";
    QColor FSingleBorderColor;
    Qt::Alignment FAlignText = Qt::AlignHCenter;
};

}  // namespace vorlantic

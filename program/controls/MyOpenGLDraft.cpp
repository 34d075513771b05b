// The overlays of the view: case schematics, global axis and colour legend,
// all sized from the visible window so that they keep their place on the
// screen whatever the zoom.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "controls/MyOpenGL.h"
#include "platform/FloatText.h"

namespace vorlantic {

namespace {

QString numberText(double value) { return QString::fromStdString(platform::FloatToStr(value)); }

void line(double x0, double y0, double x1, double y1) {
    glVertex2d(x0, y0);
    glVertex2d(x1, y1);
}

}  // namespace

// ------------------------------------------------------------ geometry

TDraftBox TMyOpenGL::DraftBox(double angleDeg) const {
    double W = ViewXMax - ViewXMin, H = ViewYMax - ViewYMin;
    TDraftBox b;
    b.X0 = ViewXMin + 0.21 * W;
    b.X1 = ViewXMin + 0.8 * W;
    b.Y1 = ViewYMin + 0.8 * H;
    b.T = angleDeg * std::numbers::pi / 180;
    // Ramp of run A = 0.8 (X1 - X0) rising tan(t) A from the apex (Xc, Yb).
    double A = 0.8 * (b.X1 - b.X0);
    b.Yb = b.Y1 - std::tan(b.T) * A;
    b.Xc = b.X1 - A;
    if (ViewYMin + 0.2 * H > b.Yb) {
        b.Yb = ViewYMin + 0.2 * H;
        b.Xc = b.X1 - (b.Y1 - b.Yb) / std::tan(b.T);
    } else {
        double shift = 0.5 * (ViewYMin + ViewYMax) - 0.5 * (b.Y1 + b.Yb);
        b.Y1 += shift;
        b.Yb += shift;
    }
    b.L = 0.1 * (b.X1 - b.X0);
    return b;
}

TCylinderBox TMyOpenGL::CylinderBox() const {
    double W = ViewXMax - ViewXMin, H = ViewYMax - ViewYMin;
    TCylinderBox b;
    b.X0 = ViewXMin + 0.21 * W;
    b.X1 = ViewXMin + 0.8 * W;
    b.Yb = ViewYMin + 0.2 * H;
    b.Yt = b.Yb + (b.X1 - b.X0) * 5 / 10;
    b.Xa = b.X0 + (b.X1 - b.X0) * 3.5 / 10;
    b.Xb = b.X0 + (b.X1 - b.X0) * 4.5 / 10;
    b.L = 0.1 * (b.X1 - b.X0);
    return b;
}

void TMyOpenGL::UpdateAxisGeometry() {
    double W = ViewXMax - ViewXMin, H = ViewYMax - ViewYMin;
    AxisLengthX = AxisLengthY = std::min(0.1 * W, 0.1 * H);
    AxisX0 = ViewXMin + 0.01 * W;
    AxisY0 = ViewYMin + 0.01 * H;
    AxisHead = 0.1 * AxisLengthX;
}

void TMyOpenGL::UpdateLegendGeometry() {
    double W = ViewXMax - ViewXMin, H = ViewYMax - ViewYMin;
    LegendX = ViewXMax - 0.1 * W;
    LegendWidth = 0.05 * std::min(W, WorldX1 - WorldX0);
    LegendHeight = 0.5 * std::min(H, WorldY1 - WorldY0);
    LegendY = ViewYMin + (H - LegendHeight) / 2;
}

void TMyOpenGL::getLegendColor(float v, float maximum, float minimum, float mid, float rgb[3]) {
    float s = 0.1f * std::fabs(maximum - minimum) + 1e-20f;
    float kUp = 1 / std::max(std::fabs(maximum - mid), s);
    float kDown = 1 / std::max(std::fabs(mid - minimum), s);
    float red = 0, blue = 0;
    if (v > mid)
        red = (v - mid) * kUp;
    else
        blue = (mid - v) * kDown;
    rgb[0] = red;
    rgb[1] = 1 - red - blue;
    rgb[2] = blue;
}

QString TMyOpenGL::LegendLabel(double value) {
    bool large = std::fabs(std::trunc(value)) > 10000;
    return QString::asprintf(large ? "%.2e" : "%.2f", value);
}

// ------------------------------------------------------------ schematics

void TMyOpenGL::DrawWedge(double mach, double gamma, double angleDeg) {
    DraftType = 0;
    DraftMach = mach;
    DraftGamma = gamma;
    DraftAngle = angleDeg;
    if (inFrame_)
        PaintWedgeOrCone(false);
    else
        update();
}

void TMyOpenGL::DrawCone(double mach, double gamma, double semiapexDeg) {
    DraftType = 1;
    DraftMach = mach;
    DraftGamma = gamma;
    DraftAngle = semiapexDeg;
    if (inFrame_)
        PaintWedgeOrCone(true);
    else
        update();
}

void TMyOpenGL::DrawCylinder(double mach, double gamma) {
    DraftType = 2;
    DraftMach = mach;
    DraftGamma = gamma;
    if (inFrame_)
        PaintCylinder();
    else
        update();
}

void TMyOpenGL::DrawSphere(double, double) {}

void TMyOpenGL::DrawDraft() {
    switch (DraftType) {
        case 0:
            DrawWedge(DraftMach, DraftGamma, DraftAngle);
            break;
        case 1:
            DrawCone(DraftMach, DraftGamma, DraftAngle);
            break;
        case 2:
            DrawCylinder(DraftMach, DraftGamma);
            break;
        case 3:
            DrawSphere(DraftMach, DraftGamma);
            break;
        default:
            DrawEmptyDraft();
            break;
    }
}

void TMyOpenGL::DrawEmptyDraft() {
    double W = ViewXMax - ViewXMin, H = ViewYMax - ViewYMin;
    glColor3f(1, 0, 0);
    DrawGLText("This case is not implemented currently!", ViewXMin + 0.3 * W, ViewYMin + 0.5 * H);
}

void TMyOpenGL::PaintShockArrow(double x0, double m, double l) {
    glBegin(GL_LINES);
    line(x0 - l / 2, m, x0 + l / 2, m);
    line(x0 + l / 2 - 0.2 * l, m - 0.2 * l, x0 + l / 2, m);
    line(x0 + l / 2 - 0.2 * l, m + 0.2 * l, x0 + l / 2, m);
    glEnd();
    DrawGLText("Incident Shock Mach number =" + numberText(DraftMach), x0 - l / 2, m + 0.2 * l);
}

void TMyOpenGL::PaintWedgeOrCone(bool cone) {
    TDraftBox b = DraftBox(DraftAngle);
    double Ra = 0.2 * (b.X1 - b.Xc);
    glPushMatrix();
    glColor3f(0, 0, 0);
    // The channel, with the ramp rising from the apex (Xc, Yb) to (X1, Y1).
    glBegin(GL_LINE_LOOP);
    glVertex2d(b.X0, b.Y1);
    glVertex2d(b.X1, b.Y1);
    glVertex2d(b.Xc, b.Yb);
    glVertex2d(b.X0, b.Yb);
    glEnd();

    glEnable(GL_LINE_STIPPLE);
    glLineStipple(1, 0x00FF);
    glBegin(GL_LINES);
    line(b.Xc, b.Yb, cone ? b.X1 + 0.05 * (b.X1 - b.Xc) : b.X1, b.Yb);
    glEnd();
    glBegin(GL_LINE_STRIP);
    for (int i = 0; i < 20; ++i) {
        double a = b.T * i / 19;
        glVertex2d(b.Xc + std::cos(a) * Ra, b.Yb + std::sin(a) * Ra);
    }
    glEnd();
    DrawGLText(numberText(DraftAngle) + " degrees", b.Xc + 0.3 * (b.X1 - b.Xc), b.Yb + std::sin(b.T / 2) * Ra);
    glDisable(GL_LINE_STIPPLE);

    if (cone) {
        // The base: upper half of a narrow ellipse centred at (X1, Yb).
        glBegin(GL_LINE_STRIP);
        for (int i = 0; i < 100; ++i) {
            double a = std::numbers::pi * i / 99;
            glVertex2d(b.X1 + std::cos(a) * 0.05 * (b.X1 - b.Xc), b.Yb + std::sin(a) * (b.Y1 - b.Yb));
        }
        glEnd();
    }
    PaintShockArrow(b.X0, 0.5 * (b.Y1 + b.Yb), b.L);
    glPopMatrix();
}

void TMyOpenGL::PaintCylinder() {
    TCylinderBox b = CylinderBox();
    glPushMatrix();
    glColor3f(0, 0, 0);
    // The box, open on the axis where the cylinder sits.
    glBegin(GL_LINE_STRIP);
    glVertex2d(b.Xa, b.Yb);
    glVertex2d(b.X0, b.Yb);
    glVertex2d(b.X0, b.Yt);
    glVertex2d(b.X1, b.Yt);
    glVertex2d(b.X1, b.Yb);
    glVertex2d(b.Xb, b.Yb);
    glEnd();
    double xm = 0.5 * (b.Xa + b.Xb), rc = xm - b.Xa;
    glBegin(GL_LINE_STRIP);
    for (int i = 0; i < 20; ++i) {
        double a = std::numbers::pi * i / 19;
        glVertex2d(xm + std::cos(a) * rc, b.Yb + std::sin(a) * rc);
    }
    glEnd();
    glEnable(GL_LINE_STIPPLE);
    glLineStipple(1, 0x00FF);
    glBegin(GL_LINES);
    line(b.Xa, b.Yb, b.Xb, b.Yb);
    glEnd();
    glDisable(GL_LINE_STIPPLE);
    PaintShockArrow(b.X0, 0.5 * (b.Yt + b.Yb), b.L);
    glPopMatrix();
}

// ------------------------------------------------------------ axis and legend

void TMyOpenGL::DrawGlobalAxis() {
    UpdateAxisGeometry();
    double x0 = AxisX0, y0 = AxisY0, h = AxisHead;
    double tipX = x0 + AxisLengthX, tipY = y0 + AxisLengthY;
    glLineWidth(1);
    glColor3f(0, 0, 0);
    glBegin(GL_LINES);
    line(x0, y0, tipX, y0);
    line(tipX, y0, tipX - h, y0 + h);
    line(tipX, y0, tipX - h, y0 - h);
    line(x0, y0, x0, tipY);
    line(x0, tipY, x0 + h, tipY - h);
    line(x0, tipY, x0 - h, tipY - h);
    glEnd();
    DrawGLText("x", tipX, y0);
    DrawGLText("y", x0, tipY);
}

void TMyOpenGL::DrawLegend() {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    UpdateLegendGeometry();
    double x0 = LegendX, x1 = LegendX + 0.8 * LegendWidth;
    double yMid = LegendY + LegendHeight / 2, yTop = LegendY + LegendHeight;
    float lo[3], mid[3], hi[3];
    auto ramp = [this](double v, float rgb[3]) {
        getLegendColor(static_cast<float>(v), static_cast<float>(LegendMax), static_cast<float>(LegendMin),
                       static_cast<float>(LegendMid), rgb);
    };
    ramp(LegendMin, lo);
    ramp(LegendMid, mid);
    ramp(LegendMax, hi);
    glBegin(GL_QUADS);
    glColor4f(lo[0], lo[1], lo[2], 1);
    glVertex2d(x0, LegendY);
    glVertex2d(x1, LegendY);
    glColor4f(mid[0], mid[1], mid[2], 1);
    glVertex2d(x1, yMid);
    glVertex2d(x0, yMid);
    glVertex2d(x0, yMid);
    glVertex2d(x1, yMid);
    glColor4f(hi[0], hi[1], hi[2], 1);
    glVertex2d(x1, yTop);
    glVertex2d(x0, yTop);
    glEnd();
    glColor3f(0, 0, 0);
    DrawGLText(LegendLabel(LegendMid), x1, yMid);
    DrawGLText(LegendLabel(LegendMax), x1, yTop);
    DrawGLText(LegendLabel(LegendMin), x1, LegendY);
}

}  // namespace vorlantic

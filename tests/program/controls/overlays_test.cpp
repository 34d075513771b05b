// Geometry of the overlays (schematics, axis, legend), the legend's colours
// and labels, and the glyphs of the bitmap font.
#include <gtest/gtest.h>

#include <QApplication>
#include <cmath>
#include <memory>
#include <numbers>

#include "controls/MyOpenGL.h"

using namespace vorlantic;

namespace {

std::unique_ptr<TMyOpenGL> view(int w, int h, float x0, float x1, float y0, float y1) {
    auto v = std::make_unique<TMyOpenGL>();
    v->resize(w, h);
    v->SetView(x0, x1, y0, y1, 0, 1);
    return v;
}

double tanDeg(double a) { return std::tan(a * std::numbers::pi / 180); }

TEST(Schematic, ShallowWedgeIsCentredVertically) {
    auto v = view(400, 200, 0, 1, 0, 1);  // visible -0.5..1.5 x 0..1
    TDraftBox b = v->DraftBox(30);
    EXPECT_DOUBLE_EQ(b.X0, -0.5 + 0.21 * 2);
    EXPECT_DOUBLE_EQ(b.X1, -0.5 + 0.8 * 2);
    EXPECT_NEAR(b.Xc, b.X0 + 0.2 * (b.X1 - b.X0), 1e-12);
    EXPECT_NEAR(b.Y1 - b.Yb, tanDeg(30) * 0.8 * (b.X1 - b.X0), 1e-12);
    EXPECT_NEAR(0.5 * (b.Y1 + b.Yb), 0.5, 1e-12);
    EXPECT_NEAR(b.L, 0.1 * (b.X1 - b.X0), 1e-12);
}

TEST(Schematic, SteepWedgeKeepsItsBottomAndMovesTheApexRight) {
    auto v = view(400, 200, 0, 1, 0, 1);
    for (double angle : {45.0, 60.0, 80.0}) {
        TDraftBox b = v->DraftBox(angle);
        EXPECT_DOUBLE_EQ(b.Yb, 0.2);
        EXPECT_DOUBLE_EQ(b.Y1, 0.8);
        EXPECT_NEAR((b.Y1 - b.Yb) / (b.X1 - b.Xc), tanDeg(angle), 1e-12) << angle;
        EXPECT_GT(b.Xc, b.X0 + 0.2 * (b.X1 - b.X0));
    }
}

TEST(Schematic, CylinderBoxIsHalfAsHighAsWide) {
    auto v = view(300, 300, 0, 2, 0, 2);
    TCylinderBox b = v->CylinderBox();
    EXPECT_DOUBLE_EQ(b.X0, 0.42);
    EXPECT_DOUBLE_EQ(b.X1, 1.6);
    EXPECT_DOUBLE_EQ(b.Yb, 0.4);
    EXPECT_NEAR(b.Yt - b.Yb, 0.5 * (b.X1 - b.X0), 1e-12);
    EXPECT_NEAR(b.Xa, b.X0 + 0.35 * (b.X1 - b.X0), 1e-12);
    EXPECT_NEAR(b.Xb, b.X0 + 0.45 * (b.X1 - b.X0), 1e-12);
}

TEST(Schematic, DrawingOutsideAFrameStoresTheCase) {
    auto v = view(400, 200, 0, 1, 0, 1);
    v->DrawCone(3.5, 1.3, 12);
    EXPECT_EQ(v->DraftType, 1);
    EXPECT_EQ(v->DraftMach, 3.5);
    EXPECT_EQ(v->DraftGamma, 1.3);
    EXPECT_EQ(v->DraftAngle, 12);
    v->DrawCylinder(2, 1.4);
    EXPECT_EQ(v->DraftType, 2);
    EXPECT_EQ(v->DraftAngle, 12);
    v->DrawWedge(1.5, 1.4, 30);
    EXPECT_EQ(v->DraftType, 0);
    v->DrawSphere(9, 9);
    EXPECT_EQ(v->DraftType, 0);
    EXPECT_EQ(v->DraftMach, 1.5);
}

TEST(GlobalAxis, EqualArrowsInTheLowerLeftCorner) {
    auto v = view(400, 200, 0, 1, 0, 1);
    v->UpdateAxisGeometry();
    EXPECT_DOUBLE_EQ(v->AxisLengthX, 0.1);
    EXPECT_DOUBLE_EQ(v->AxisLengthY, 0.1);
    EXPECT_DOUBLE_EQ(v->AxisX0, -0.48);
    EXPECT_DOUBLE_EQ(v->AxisY0, 0.01);
    EXPECT_NEAR(v->AxisHead, 0.01, 1e-15);
}

TEST(Legend, KeepsItsScreenSizeWhenZoomedButNotBeyondTheWorld) {
    auto v = view(400, 200, 0, 1, 0, 1);
    v->UpdateLegendGeometry();
    EXPECT_DOUBLE_EQ(v->LegendX, 1.3);
    EXPECT_DOUBLE_EQ(v->LegendWidth, 0.05);
    EXPECT_DOUBLE_EQ(v->LegendHeight, 0.5);
    EXPECT_DOUBLE_EQ(v->LegendY, 0.25);
    double W = v->ViewXMax - v->ViewXMin, H = v->ViewYMax - v->ViewYMin;
    double widthShare = v->LegendWidth / W, heightShare = v->LegendHeight / H;
    // Zoomed in twice: the same share of the screen.
    v->SetView(0.25f, 0.75f, 0.25f, 0.75f, 0, 1);
    v->UpdateLegendGeometry();
    W = v->ViewXMax - v->ViewXMin;
    H = v->ViewYMax - v->ViewYMin;
    EXPECT_NEAR(v->LegendWidth / W, widthShare, 1e-12);
    EXPECT_NEAR(v->LegendHeight / H, heightShare, 1e-12);
    EXPECT_NEAR(v->LegendY + v->LegendHeight / 2, 0.5, 1e-12);  // centred
    // A tall client: the bar is as high as half the world window, not half the view.
    auto t = view(200, 400, 0, 1, 0, 1);
    t->UpdateLegendGeometry();
    EXPECT_DOUBLE_EQ(t->LegendHeight, 0.5);
    EXPECT_DOUBLE_EQ(t->LegendY, -0.5 + (2 - 0.5) / 2);
}

TEST(Legend, LabelsTurnToExponentsPastTenThousand) {
    struct Case {
        double v;
        const char* text;
    };
    const Case cases[] = {
        {1.5, "1.50"},          {0, "0.00"},           {10000, "10000.00"},   {10000.75, "10000.75"},
        {-10000.9, "-10000.90"}, {10001, "1.00e+04"},  {-10001, "-1.00e+04"}, {123456, "1.23e+05"},
        {3e9, "3.00e+09"},      {-5e12, "-5.00e+12"},
    };
    for (const Case& c : cases) EXPECT_EQ(TMyOpenGL::LegendLabel(c.v).toStdString(), c.text) << c.v;
}

TEST(Legend, RampFromBlueThroughGreenToRed) {
    struct Case {
        float v, max, min, mid;
        float r, g, b;
    };
    const Case cases[] = {
        {0, 1, 0, 0.5f, 0, 0, 1},  {0.5f, 1, 0, 0.5f, 0, 1, 0}, {1, 1, 0, 0.5f, 1, 0, 0},
        {0, 1, 0, 0, 0, 1, 0},     // reference at the minimum: the bottom is green
        {0.5f, 1, 0, 0, 0.5f, 0.5f, 0},
        {2, 2, 2, 2, 0, 1, 0},     // empty range
    };
    for (const Case& c : cases) {
        float rgb[3];
        TMyOpenGL::getLegendColor(c.v, c.max, c.min, c.mid, rgb);
        EXPECT_NEAR(rgb[0], c.r, 1e-6);
        EXPECT_NEAR(rgb[1], c.g, 1e-6);
        EXPECT_NEAR(rgb[2], c.b, 1e-6);
    }
}

// Ink in the rows below the baseline (the rows are stored from the bottom).
bool inkBelowBaseline(const TGlyphBitmap& g) {
    int rowBytes = (g.Width + 7) / 8;
    for (int row = 0; row < static_cast<int>(g.YOrig); ++row)
        for (int b = 0; b < rowBytes; ++b)
            if (g.Bits[row * rowBytes + b]) return true;
    return false;
}

int ink(const TGlyphBitmap& g) {
    int n = 0;
    for (unsigned char byte : g.Bits) n += __builtin_popcount(byte);
    return n;
}

TEST(BitmapFont, GlyphsSitOnTheBaseline) {
    QFont font = QApplication::font();
    TGlyphBitmap a = TMyOpenGL::RenderGlyph(font, 'A');
    TGlyphBitmap g = TMyOpenGL::RenderGlyph(font, 'g');
    TGlyphBitmap space = TMyOpenGL::RenderGlyph(font, ' ');
    TGlyphBitmap newline = TMyOpenGL::RenderGlyph(font, '\n');
    TGlyphBitmap eacute = TMyOpenGL::RenderGlyph(font, 0xE9);
    ASSERT_GT(a.Width, 0);
    ASSERT_GT(a.Height, 0);
    EXPECT_EQ(a.Bits.size(), static_cast<std::size_t>((a.Width + 7) / 8 * a.Height));
    EXPECT_GT(ink(a), 10);
    EXPECT_GT(a.Advance, 0);
    EXPECT_FALSE(inkBelowBaseline(a));
    EXPECT_TRUE(inkBelowBaseline(g));
    EXPECT_GT(space.Advance, 0);
    EXPECT_EQ(ink(space), 0);
    EXPECT_EQ(ink(newline), 0);
    EXPECT_GT(ink(eacute), 5);
}

}  // namespace

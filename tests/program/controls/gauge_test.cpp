// The progress gauge: range rules, percentage and bar width, the text
// template, and its picture (bar, text colours, borders).
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>

#include "controls/MyProgressBar.h"

using namespace vorlantic;

namespace {

TEST(Gauge, StartsAsAnEmptyRaisedBarOfOneHundredSteps) {
    TMyProgressBar g;
    EXPECT_EQ(g.width(), 150);
    EXPECT_EQ(g.height(), 20);
    EXPECT_EQ(g.MinValue(), 0);
    EXPECT_EQ(g.MaxValue(), 100);
    EXPECT_EQ(g.Progress(), 0);
    EXPECT_EQ(g.Border(), gbRaised);
    EXPECT_EQ(g.FillStyle(), gsSmooth);
    EXPECT_TRUE(g.ShowText());
    EXPECT_EQ(g.Text(), "$p%");
    EXPECT_EQ(g.AlignText(), Qt::AlignHCenter);
    EXPECT_TRUE(g.testAttribute(Qt::WA_OpaquePaintEvent));
}

TEST(Gauge, ProgressIsClampedIntoTheRange) {
    TMyProgressBar g;
    g.SetProgress(-5);
    EXPECT_EQ(g.Progress(), 0);
    g.SetProgress(150);
    EXPECT_EQ(g.Progress(), 100);
    g.SetProgress(90);
    g.SetStepValue(7);
    g.StepIt();
    EXPECT_EQ(g.Progress(), 97);
    g.StepIt();
    EXPECT_EQ(g.Progress(), 100);
    g.StepBy(-300);
    EXPECT_EQ(g.Progress(), 0);
    // 64-bit values compare signed.
    g.SetMaxValue(INT64_C(5000000000));
    g.SetProgress(INT64_C(4000000000));
    EXPECT_EQ(g.Progress(), INT64_C(4000000000));
    g.SetMinValue(INT64_C(-3000000000));
    g.SetProgress(INT64_C(-4000000000));
    EXPECT_EQ(g.Progress(), INT64_C(-3000000000));
    // Steps past the 64-bit limits stop at the range's ends, not wrapped round.
    g.SetMaxValue(INT64_MAX);
    g.SetMinValue(INT64_MIN);
    g.SetProgress(INT64_MAX - 5);
    g.SetStepValue(INT64_MAX);
    g.StepIt();
    EXPECT_EQ(g.Progress(), INT64_MAX);
    g.StepBy(INT64_MIN);
    g.StepBy(INT64_MIN);
    g.StepBy(INT64_MIN);
    EXPECT_EQ(g.Progress(), INT64_MIN);
}

TEST(Gauge, CrossedLimitsCollapseTheRangeAndPullTheProgressIn) {
    TMyProgressBar g;
    g.SetMinValue(10);
    g.SetMaxValue(50);
    g.SetProgress(40);
    g.SetMaxValue(5);  // below the minimum: becomes the minimum
    EXPECT_EQ(g.MaxValue(), 10);
    EXPECT_EQ(g.Progress(), 10);
    TMyProgressBar h;
    h.SetProgress(30);
    h.SetMinValue(500);  // above the maximum: becomes the maximum
    EXPECT_EQ(h.MinValue(), 100);
    EXPECT_EQ(h.Progress(), 100);
}

TEST(Gauge, PercentageWidthAndText) {
    struct Case {
        std::int64_t min, max, progress;
        int width;
        float percent;
        std::int64_t done;
        const char* text;
    };
    const Case cases[] = {
        {0, 100, 53, 189, 53, 100, "53%"},
        {0, 1000, 339, 150, 33.9f, 50, "33%"},
        {0, 100, 100, 150, 100, 150, "100%"},
        {7, 7, 7, 150, 100, 150, "100%"},  // empty range: full
        {-50, 50, -25, 200, 25, 50, "25%"},
        {INT64_MIN, INT64_MAX, 0, 200, 50, 100, "50%"},  // the whole 64-bit range
    };
    for (const Case& c : cases) {
        TMyProgressBar g;
        g.resize(c.width, 20);
        g.SetMaxValue(c.max);
        g.SetMinValue(c.min);
        g.SetMaxValue(c.max);
        g.SetProgress(c.progress);
        g.CalculatePercentDone();
        g.CalculatePixelWidth();
        EXPECT_FLOAT_EQ(g.PercentAt(), c.percent) << c.progress;
        EXPECT_EQ(g.DoneWidth(), c.done) << c.progress;
        EXPECT_EQ(g.PercentText(), c.text);
    }
}

TEST(Gauge, TemplateTakesThePercentageWhereverItSaysSo) {
    TMyProgressBar g;
    g.SetProgress(42);
    g.CalculatePercentDone();
    struct Case {
        const char* templ;
        const char* text;
    };
    for (Case c : {Case{"Run", "Run"}, Case{"$p of $p", "42 of 42"}, Case{"Done $p%", "Done 42%"},
                   Case{"$P$", "$P$"}}) {
        g.SetText(c.templ);
        EXPECT_EQ(g.PercentText(), c.text);
    }
}

TEST(Gauge, DashedStyleSwitchesTheTextOff) {
    TMyProgressBar g;
    g.SetFillStyle(gsDashed);
    EXPECT_FALSE(g.ShowText());
    g.SetFillStyle(gsSmooth);
    EXPECT_TRUE(g.ShowText());
    g.SetShowText(false);
    g.SetFillStyle(gsSmooth);  // unchanged style: the text stays off
    EXPECT_FALSE(g.ShowText());
}

const QColor fore(20, 40, 200), back(230, 230, 230), textFore(200, 0, 0), textBack(255, 255, 0);

TMyProgressBar* paintedGauge(std::int64_t progress) {
    auto* g = new TMyProgressBar;
    g->resize(200, 30);
    g->SetBarForeColor(fore);
    g->SetBarBackColor(back);
    g->SetTextForeColor(textFore);
    g->SetTextBackColor(textBack);
    g->SetBorderStyle(gbNone);
    g->SetProgress(progress);
    return g;
}

// Pixels within a few levels of the colour (text edges are blended).
int countColour(const QImage& img, const QRect& area, const QColor& c) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            QColor p = img.pixelColor(x, y);
            if (std::abs(p.red() - c.red()) + std::abs(p.green() - c.green()) + std::abs(p.blue() - c.blue()) < 60) ++n;
        }
    return n;
}

bool same(const QImage& img, int x, int y, const QColor& c) { return img.pixel(x, y) == c.rgb(); }

TEST(GaugePicture, BarFillsTheDonePartAndTheTextInvertsOverIt) {
    std::unique_ptr<TMyProgressBar> g(paintedGauge(50));
    g->SetText("MMMMMMMMMMMMMMMMMMMM");  // wide text across the edge at x = 100
    QImage img = g->RenderGauge();
    EXPECT_EQ(g->DoneRect().Right, 100);
    EXPECT_EQ(g->RestRect().Left, 100);
    EXPECT_TRUE(same(img, 2, 1, fore));
    EXPECT_TRUE(same(img, 99, 28, fore));
    EXPECT_TRUE(same(img, 100, 1, back));
    EXPECT_TRUE(same(img, 197, 28, back));
    QRect left(0, 0, 100, 30), right(100, 0, 100, 30);
    EXPECT_GT(countColour(img, left, textBack), 10);
    EXPECT_EQ(countColour(img, left, textFore), 0);
    EXPECT_GT(countColour(img, right, textFore), 10);
    EXPECT_EQ(countColour(img, right, textBack), 0);
}

TEST(GaugePicture, NoneStyleIsAllBackgroundWithForeText) {
    std::unique_ptr<TMyProgressBar> g(paintedGauge(70));
    g->SetFillStyle(gsNone);
    g->SetShowText(true);
    g->SetText("MMMMMMMM");
    QImage img = g->RenderGauge();
    EXPECT_EQ(countColour(img, img.rect(), fore), 0);
    EXPECT_GT(countColour(img, img.rect(), textFore), 10);
    EXPECT_EQ(countColour(img, img.rect(), textBack), 0);
}

TEST(GaugePicture, DashedBarHasTwoPixelGapsEveryTenPixels) {
    std::unique_ptr<TMyProgressBar> g(paintedGauge(50));
    g->SetFillStyle(gsDashed);
    QImage img = g->RenderGauge();
    for (int x = 0; x < 100; ++x) {
        bool gap = x >= 10 && x % 10 < 2;
        EXPECT_TRUE(same(img, x, 15, gap ? back : fore)) << x;
    }
    EXPECT_TRUE(same(img, 110, 15, back));
}

TEST(GaugePicture, TextAlignment) {
    for (Qt::Alignment a : {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight}) {
        std::unique_ptr<TMyProgressBar> g(paintedGauge(0));
        g->SetText("MM");
        g->SetInnerBorderSize(0);
        g->SetTextAlign(a);
        QImage img = g->RenderGauge();
        int first = -1, last = -1;
        for (int x = 0; x < img.width(); ++x)
            for (int y = 0; y < img.height(); ++y)
                if (img.pixel(x, y) != back.rgb()) {
                    if (first < 0) first = x;
                    last = x;
                }
        ASSERT_GE(first, 0);
        if (a == Qt::AlignLeft) {
            EXPECT_LE(first, 6);
        } else if (a == Qt::AlignRight) {
            EXPECT_GE(last, 190);
        } else {
            EXPECT_NEAR((first + last) / 2.0, 100, 4);
        }
    }
}

TEST(GaugePicture, BordersByStyle) {
    QPalette pal = QApplication::palette();
    QColor light = pal.color(QPalette::Light), dark = pal.color(QPalette::Dark);
    QColor face = pal.color(QPalette::Button), darker = pal.color(QPalette::Shadow);
    struct Case {
        TGaugeBorders border;
        QColor topLeft, bottomRight, innerTopLeft, innerBottomRight;
    };
    const QColor single(10, 200, 10);
    const Case cases[] = {
        {gbSingle, single, single, back, back},
        {gbSunken, dark, light, back, back},
        {gbRaised, light, dark, back, back},
        {gbDeepSunken, dark, light, darker, face},
        {gbFatRaised, light, dark, face, darker},
    };
    for (const Case& c : cases) {
        std::unique_ptr<TMyProgressBar> g(paintedGauge(0));
        g->SetShowText(false);
        g->SetSingleBorderColor(single);
        g->SetBorderStyle(c.border);
        QImage img = g->RenderGauge();
        EXPECT_TRUE(same(img, 0, 10, c.topLeft)) << int(c.border);
        EXPECT_TRUE(same(img, 50, 0, c.topLeft)) << int(c.border);
        EXPECT_TRUE(same(img, 199, 10, c.bottomRight)) << int(c.border);
        EXPECT_TRUE(same(img, 50, 29, c.bottomRight)) << int(c.border);
        EXPECT_TRUE(same(img, 1, 10, c.innerTopLeft)) << int(c.border);
        EXPECT_TRUE(same(img, 198, 10, c.innerBottomRight)) << int(c.border);
    }
}

TEST(GaugePicture, InnerBorderRingsInTheBarColourInsideTheBorder) {
    std::unique_ptr<TMyProgressBar> g(paintedGauge(100));
    g->SetShowText(false);
    g->SetBorderStyle(gbRaised);
    g->SetInnerBorderSize(2);
    QImage img = g->RenderGauge();
    EXPECT_TRUE(same(img, 1, 15, back));  // rings at 1 and 2
    EXPECT_TRUE(same(img, 2, 15, back));
    EXPECT_TRUE(same(img, 3, 15, fore));
    EXPECT_TRUE(same(img, 100, 2, back));
    EXPECT_TRUE(same(img, 100, 3, fore));
    EXPECT_TRUE(same(img, 197, 15, back));
    EXPECT_TRUE(same(img, 196, 15, fore));
    // More rings than fit: the whole client in the bar's back colour, at once.
    g->SetInnerBorderSize(INT64_C(1) << 40);
    img = g->RenderGauge();
    EXPECT_TRUE(same(img, 100, 15, back));
}

TEST(Gauge, PressSinksReleaseRaisesAndClicks) {
    TMyProgressBar g;
    g.SetBorderStyle(gbSingle);
    int clicks = 0;
    QObject::connect(&g, &TMyProgressBar::OnClick, [&] { ++clicks; });
    QPointF p(10, 10);
    QMouseEvent down(QEvent::MouseButtonPress, p, g.mapToGlobal(p), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&g, &down);
    EXPECT_EQ(g.Border(), gbSunken);
    QMouseEvent up(QEvent::MouseButtonRelease, p, g.mapToGlobal(p), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&g, &up);
    EXPECT_EQ(g.Border(), gbRaised);
    EXPECT_EQ(clicks, 1);
    QPointF outside(400, 10);
    QMouseEvent away(QEvent::MouseButtonRelease, outside, g.mapToGlobal(outside), Qt::LeftButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(&g, &away);
    EXPECT_EQ(clicks, 1);
}

}  // namespace

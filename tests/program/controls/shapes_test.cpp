// The object list and the flow plot's data handling and colour map.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "controls/Shapes.h"

using namespace vorlantic;

namespace {

// A scene object that counts its destructions.
class Probe : public TGLObject {
public:
    explicit Probe(int* deaths) : deaths_(deaths) {}
    ~Probe() override { ++*deaths_; }
    void Draw(unsigned) override {}
    TGLObject* ConstructObject() override {
        auto* p = new Probe(deaths_);
        p->SetOriginalXY(TransX, TransY);
        return p;
    }

private:
    int* deaths_;
};

TEST(ObjectList, IdsCountAlongTheListAndUnknownIdsGiveNull) {
    int deaths = 0;
    Probe head(&deaths);
    auto* b = head.AddObject(new Probe(&deaths));
    auto* c = head.AddObject(new Probe(&deaths));
    auto* d = b->AddObject(new Probe(&deaths));  // appending from the middle goes to the tail too
    EXPECT_EQ(head.GetObjectID(), 1);
    EXPECT_EQ(b->GetObjectID(), 2);
    EXPECT_EQ(c->GetObjectID(), 3);
    EXPECT_EQ(d->GetObjectID(), 4);
    EXPECT_EQ(head.GetObjectWithID(3), c);
    EXPECT_EQ(c->GetObjectWithID(2), nullptr);  // searches forward only
    EXPECT_EQ(head.GetObjectWithID(7), nullptr);
    head.FreeLinkedObjects();
    EXPECT_EQ(deaths, 3);
}

TEST(ObjectList, FreeLinkedObjectsLeavesNoPointerToFreedObjects) {
    int deaths = 0;
    Probe head(&deaths);
    head.AddObject(new Probe(&deaths));
    head.AddObject(new Probe(&deaths));
    head.FreeLinkedObjects();
    EXPECT_EQ(head.GetNext(), nullptr);
    // The list goes on from the head afterwards.
    auto* again = head.AddObject(new Probe(&deaths));
    EXPECT_EQ(again->GetObjectID(), 2);
    head.FreeLinkedObjects();
    EXPECT_EQ(deaths, 3);
}

TEST(ObjectTransform, RotationColourAndScale) {
    int deaths = 0;
    Probe p(&deaths);
    p.SetRotationAlongAxisZ(200);
    p.SetRotationAlongAxisZ(200);
    EXPECT_FLOAT_EQ(p.RotZ, 40);
    Probe q(&deaths);
    q.SetRotationAlongAxisZ(180);
    q.SetRotationAlongAxisZ(180);
    EXPECT_FLOAT_EQ(q.RotZ, 360);

    struct Colour {
        int word;
        float r, g, b;
    };
    for (Colour c : {Colour{255, 1, 0, 0}, Colour{0xFF00, 0, 1, 0}, Colour{0xFF0000, 0, 0, 1},
                     Colour{0x336699, 0x99 / 255.f, 0x66 / 255.f, 0x33 / 255.f}}) {
        p.SetColor(c.word);
        EXPECT_FLOAT_EQ(p.ColorR, c.r);
        EXPECT_FLOAT_EQ(p.ColorG, c.g);
        EXPECT_FLOAT_EQ(p.ColorB, c.b);
    }

    p.SetScale(2, 3, false);
    EXPECT_FLOAT_EQ(p.ScaleY, 3);
    p.AddScale(0.5f, 0.25f, true);
    EXPECT_FLOAT_EQ(p.ScaleX, 2.5f);
    EXPECT_FLOAT_EQ(p.ScaleY, 2.5f);
    p.AddScale(0.5f, 0.25f, false);
    EXPECT_FLOAT_EQ(p.ScaleX, 3);
    EXPECT_FLOAT_EQ(p.ScaleY, 2.75f);

    p.SetOriginalXY(4, 5);
    p.TransZ = 6;
    TGLObject* copy = p.CreateCopy();
    float x, y;
    copy->GetCenterXY(x, y);
    EXPECT_EQ(x, 4);
    EXPECT_EQ(y, 5);
    EXPECT_EQ(copy->TransZ, 6);
    EXPECT_EQ(copy->ScaleY, 2.75f);
    EXPECT_EQ(copy->ColorR, p.ColorR);
    delete copy;
}

// Two cells side by side: nodes 1..6 (numbers from 1 in the table), the
// table's columns CellStride apart.
struct TwoCells {
    std::vector<double> x{0, 1, 2, 0, 1, 2};
    std::vector<double> y{0, 0, 0, 1, 1, 1};
    std::vector<double> u{1, 1, 1, 1, 1, 1};
    std::vector<double> v{0, 0, 0, 0, 0, 0};
    std::vector<double> f{3, 5, 4, -1, 8, 2};
    static constexpr int stride = 5;
    std::vector<int> cells = std::vector<int>(4 * stride, 0);
    TwoCells() {
        const int quads[2][4] = {{1, 2, 5, 4}, {2, 3, 6, 5}};
        for (int c = 0; c < 2; ++c)
            for (int k = 0; k < 4; ++k) cells[c + k * stride] = quads[c][k];
    }
};

TEST(FlowPlot, SetVariablesTakesTheRangeOfTheNodes) {
    TwoCells d;
    TGLQuadrilaterals plot(0, 0);
    plot.setVariables(d.x.data(), d.y.data(), 6, d.cells.data(), d.u.data(), d.v.data(), d.f.data());
    EXPECT_EQ(plot.ValueMin, -1);
    EXPECT_EQ(plot.ValueMax, 8);
    EXPECT_EQ(plot.NodeCount, 6);
    EXPECT_EQ(plot.CellStride, 0);  // the caller's to set
    // Only the first nodeCount values count.
    plot.setVariables(d.x.data(), d.y.data(), 3, d.cells.data(), d.u.data(), d.v.data(), d.f.data());
    EXPECT_EQ(plot.ValueMin, 3);
    EXPECT_EQ(plot.ValueMax, 5);
}

TEST(FlowPlot, SetVariablesWithoutNodesLeavesTheRange) {
    TGLQuadrilaterals plot(0, 0);
    plot.ValueMin = 2;
    plot.ValueMax = 7;
    double none[1] = {1e300};
    plot.setVariables(nullptr, nullptr, 0, nullptr, nullptr, nullptr, none);
    EXPECT_EQ(plot.ValueMin, 2);
    EXPECT_EQ(plot.ValueMax, 7);
    EXPECT_EQ(plot.NodeCount, 0);
    plot.setVariables(nullptr, nullptr, 0, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(plot.ValueMax, 7);
}

TEST(FlowPlot, ExtentsOfNodesPictureOrNothing) {
    TwoCells d;
    TGLQuadrilaterals plot(0, 0);
    float x, y, c[2];
    plot.GetMinCoords(x, y);
    EXPECT_EQ(x, 0);
    plot.GetMaxCoords(x, y);
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, 1);
    plot.setVariables(d.x.data(), d.y.data(), 6, d.cells.data(), d.u.data(), d.v.data(), d.f.data());
    plot.GetMaxCoords(x, y);
    EXPECT_EQ(x, 2);
    EXPECT_EQ(y, 1);
    plot.GetCenterCoords(c);
    EXPECT_EQ(c[0], 1);
    EXPECT_EQ(c[1], 0.5f);
    plot.PhotoMode = true;
    plot.ImageX0 = -3;
    plot.ImageY0 = -2;
    plot.ImageX1 = 5;
    plot.ImageY1 = 4;
    plot.GetMinCoords(x, y);
    EXPECT_EQ(x, -3);
    EXPECT_EQ(y, -2);
    plot.GetCenterCoords(c);
    EXPECT_EQ(c[0], 1);
    EXPECT_EQ(c[1], 1);
}

TEST(FlowPlot, CopyOwnsItsData) {
    TwoCells d;
    TGLQuadrilaterals plot(2, 3);
    plot.CellStride = TwoCells::stride;
    plot.CellCount = 2;
    plot.ShowGrid = true;
    plot.ContourLineCount = 7;
    plot.setVariables(d.x.data(), d.y.data(), 6, d.cells.data(), d.u.data(), d.v.data(), d.f.data());
    auto* copy = static_cast<TGLQuadrilaterals*>(plot.CreateCopy());
    d.f.assign(6, 0.0);
    d.cells.assign(d.cells.size(), 0);
    EXPECT_NE(copy->Values, plot.Values);
    EXPECT_EQ(copy->Values[4], 8);
    EXPECT_EQ(copy->CellNodes[1 + 2 * TwoCells::stride], 6);
    EXPECT_EQ(copy->TransX, 2);
    EXPECT_EQ(copy->TransY, 3);
    EXPECT_TRUE(copy->ShowGrid);
    EXPECT_EQ(copy->ContourLineCount, 7);
    EXPECT_EQ(copy->ValueMax, 8);
    EXPECT_STREQ(copy->GetName(), "TGLObject");
    delete copy;
}

struct MapCase {
    double min, mid, max, value;
    double r, g, b;
};

TEST(ColourMap, ReferenceIsGreenAndTheEndsSaturate) {
    const MapCase cases[] = {
        {0, 0.5, 1, 0.5, 0, 1, 0},      // the reference value
        {0, 0.5, 1, 1, 1, 0, 0},        // top of the range
        {0, 0.5, 1, 0, 0, 0, 1},        // bottom
        {0, 0.5, 1, 0.75, 0.5, 0.5, 0}, // halfway up
        {0, 0.5, 1, 0.25, 0, 0.5, 0.5}, // halfway down
        // Reference at the maximum: the lower side spans the whole range and
        // the upper side a tenth of it.
        {0, 1, 1, 0.5, 0, 0.5, 0.5},
        {0, 1, 1, 1.05, 0.5, 0.5, 0},
        // Used as computed: beyond the range the components leave 0..1.
        {0, 0.5, 1, 1.5, 2, -1, 0},
    };
    for (const MapCase& c : cases) {
        TGLQuadrilaterals plot(0, 0);
        plot.ValueMin = c.min;
        plot.ValueMid = c.mid;
        plot.ValueMax = c.max;
        double kUp, kDown, rgb[3];
        plot.ColorScales(kUp, kDown);
        plot.getColor(c.value, kUp, kDown, rgb);
        EXPECT_NEAR(rgb[0], c.r, 1e-12) << c.value;
        EXPECT_NEAR(rgb[1], c.g, 1e-12) << c.value;
        EXPECT_NEAR(rgb[2], c.b, 1e-12) << c.value;
    }
}

TEST(ColourMap, EmptyRangeMakesEveryOtherValueSaturated) {
    TGLQuadrilaterals plot(0, 0);
    plot.ValueMin = plot.ValueMax = plot.ValueMid = 2;
    double kUp, kDown, rgb[3];
    plot.ColorScales(kUp, kDown);
    EXPECT_DOUBLE_EQ(kUp, 1e20);
    EXPECT_DOUBLE_EQ(kDown, 1e20);
    plot.getColor(2, kUp, kDown, rgb);
    EXPECT_EQ(rgb[1], 1);
    plot.getColor(2.001, kUp, kDown, rgb);
    EXPECT_GT(rgb[0], 1);
    plot.getColor(1.999, kUp, kDown, rgb);
    EXPECT_GT(rgb[2], 1);
}

}  // namespace

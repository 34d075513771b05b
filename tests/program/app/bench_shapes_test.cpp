// The optical-bench elements: their parameter sets, the five handles, the
// drag by handle, the manager's hit test, selection and drawing order, and
// the program-wide focus list.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "app/BenchShapes.h"
#include "platform/Errors.h"
#include "support/workdir.h"

using namespace vorlantic;

namespace {

// Records the cursor changes in place of the screen.
class CursorLog {
public:
    std::vector<ShapeCursor> calls;

private:
    ScopedCursorHook hook_{[this](ShapeCursor c) { calls.push_back(c); }};
};

class Bench : public ::testing::Test {
protected:
    void TearDown() override { FocusList::Clear(); }
    CursorLog cursors;
};

std::vector<std::string> Names(const BaseShape& s) {
    return std::vector<std::string>(s.ParamNames.begin(), s.ParamNames.begin() + s.ParamCount);
}

TEST_F(Bench, ParameterSetsOfTheElements) {
    const std::vector<std::string> xyz = {"Global X", "Global Y", "Global Z"};
    auto with = [&](std::vector<std::string> more) {
        std::vector<std::string> v = xyz;
        v.insert(v.end(), more.begin(), more.end());
        return v;
    };
    struct Case {
        std::shared_ptr<BaseShape> shape;
        int subType;
        const char* typeName;
        int subTypeCount;
        const char* subTypeName;
        double code;
        std::vector<std::string> names;
    };
    auto light = std::make_shared<TLight>(0, 0, 8, 8);
    auto cutoff = std::make_shared<TCutoff>(0, 0, 2, 60);
    const Case cases[] = {
        {std::make_shared<BaseShape>(), 0, "BaseShape", 1, "BaseShape", 0, xyz},
        {light, 0, "TLight", 5, "Point light source", 1, xyz},
        {light, 1, "TLight", 5, "Spherical light source", 2, with({"Diameter"})},
        {light, 2, "TLight", 5, "Circular light source", 3, with({"Diameter"})},
        {light, 3, "TLight", 5, "Rectangular light source", 4, with({"Height", "Width", "Angle"})},
        {light, 4, "TLight", 5, "Ring-shaped light source", 6, with({"Diameter"})},
        {cutoff, 0, "TCutoff", 3, "Circular bright-field cutoff", 801, with({"Diameter"})},
        {cutoff, 1, "TCutoff", 3, "Circular dark-field cutoff", 802, with({"Diameter"})},
        {cutoff, 2, "TCutoff", 3, "Rectangluar slit", 803, with({"Length", "Height", "Angle (degrees)"})},
        // One parameter set whatever the sub-type.
        {std::make_shared<TLense>(0, 0, 15, 80), 1, "TLense", 2, "TLense1", 101, with({"f", "Diameter"})},
        {std::make_shared<TSection>(0, 0, 140, 80), 1, "TSection", 2, "TSection1", 501, with({"Depth", "Diameter"})},
        {std::make_shared<TFilm>(0, 0, 2, 60), 1, "TFilm", 2, "TFilm1", 901,
         with({"Length", "Width", "Normal X", "Normal Y", "Normal Z"})},
    };
    for (const Case& c : cases) {
        BaseShape& s = *c.shape;
        s.SubType = c.subType;
        s.SetupParameters(c.subType);
        EXPECT_EQ(s.TypeName, c.typeName);
        EXPECT_EQ(s.SubTypeCount, c.subTypeCount) << c.typeName;
        EXPECT_EQ(s.SubTypeNames[c.subType], c.subTypeName);
        EXPECT_EQ(s.Codes[0], c.code) << c.subTypeName;
        EXPECT_EQ(s.CodeCount, 1);
        EXPECT_EQ(Names(s), c.names) << c.subTypeName;
    }
    // Values survive a change of sub-type; an unknown sub-type changes nothing.
    light->Params[3] = 2.5;
    light->SetupParameters(0);
    light->SetupParameters(1);
    EXPECT_EQ(light->Params[3], 2.5);
    light->SetupParameters(5);
    EXPECT_EQ(light->Codes[0], 2);
    EXPECT_EQ(light->SubType, 1);
}

TEST_F(Bench, RectanglesAndHandles) {
    BaseShape s(10, 20, 50, 60);
    EXPECT_EQ(s.GetRect(), (TRect{10, 20, 50, 60}));
    EXPECT_EQ(s.GetOuterRect(), (TRect{2, 12, 58, 68}));
    BaseShape::UpdateHandles(s.Rect);  // frame (5, 15, 55, 65)
    EXPECT_EQ(BaseShape::Handle(0), (TRect{2, 12, 8, 18}));
    EXPECT_EQ(BaseShape::Handle(1), (TRect{52, 12, 58, 18}));
    EXPECT_EQ(BaseShape::Handle(2), (TRect{2, 62, 8, 68}));
    EXPECT_EQ(BaseShape::Handle(3), (TRect{52, 62, 58, 68}));
    EXPECT_EQ(BaseShape::Handle(4), (TRect{27, 37, 33, 43}));
}

TEST_F(Bench, HoverAndGrabOnlyOnAFocusedElement) {
    BaseShape s(10, 20, 50, 60);
    BaseShape::UpdateHandles(s.Rect);
    EXPECT_FALSE(s.HoverHandle(5, 15));
    EXPECT_FALSE(s.GrabHandle(30, 40));
    EXPECT_TRUE(cursors.calls.empty());

    s.Focused = 1;
    struct Case {
        int x, y, handle;
        ShapeCursor cursor;
    };
    for (Case c : {Case{5, 15, 0, ShapeCursor::SizeNWSE}, Case{55, 15, 1, ShapeCursor::SizeNESW},
                   Case{5, 65, 2, ShapeCursor::SizeNESW}, Case{55, 65, 3, ShapeCursor::SizeNWSE},
                   Case{30, 40, 4, ShapeCursor::Hand}}) {
        EXPECT_TRUE(s.HoverHandle(c.x, c.y));
        EXPECT_EQ(s.GrabbedHandle, c.handle);
        EXPECT_EQ(cursors.calls.back(), c.cursor);
    }
    EXPECT_FALSE(s.HoverHandle(20, 30));
    EXPECT_EQ(cursors.calls.back(), ShapeCursor::Default);
    EXPECT_EQ(s.GrabbedHandle, 4);

    // Grabbing toggles: twice on the centre without a release disarms again.
    EXPECT_TRUE(s.GrabHandle(30, 40));
    EXPECT_TRUE(s.MoveArmed && s.ButtonDown && !s.ResizeArmed);
    EXPECT_TRUE(s.GrabHandle(31, 41));
    EXPECT_FALSE(s.MoveArmed || s.ButtonDown);
    EXPECT_FALSE(s.MoveTo(100, 100));
    EXPECT_TRUE(s.GrabHandle(55, 65));
    EXPECT_TRUE(s.ResizeArmed && s.ButtonDown && !s.MoveArmed);
    EXPECT_FALSE(s.GrabHandle(20, 30));
    s.ReleaseHandles();
    EXPECT_FALSE(s.ResizeArmed || s.MoveArmed || s.ButtonDown);
}

TEST_F(Bench, ResizeFollowsTheGrabbedCornerAndCollapses) {
    struct Case {
        int handle, x, y;
        TRect result;
    };
    const Case cases[] = {
        {0, 0, 5, {0, 5, 50, 60}},
        {1, 70, 5, {10, 5, 70, 60}},
        {2, 0, 80, {0, 20, 50, 80}},
        {3, 70, 80, {10, 20, 70, 80}},
        {0, 90, 30, {50, 30, 50, 60}},   // past the right edge: zero width there
        {0, 30, 90, {30, 60, 50, 60}},   // past the bottom edge: zero height there
    };
    const ShapeCursor corner[] = {ShapeCursor::SizeNWSE, ShapeCursor::SizeNESW, ShapeCursor::SizeNESW,
                                  ShapeCursor::SizeNWSE};
    for (const Case& c : cases) {
        BaseShape s(10, 20, 50, 60);
        s.Focused = 1;
        BaseShape::UpdateHandles(s.Rect);
        TRect h = BaseShape::Handle(c.handle);
        ASSERT_TRUE(s.GrabHandle(h.Left + 3, h.Top + 3));
        EXPECT_TRUE(s.ResizeTo(c.x, c.y));
        EXPECT_EQ(s.Rect, c.result) << "handle " << c.handle;
        EXPECT_EQ(s.OuterRect, (TRect{c.result.Left - 8, c.result.Top - 8, c.result.Right + 8, c.result.Bottom + 8}));
        EXPECT_EQ(cursors.calls.back(), corner[c.handle]);
        s.ReleaseHandles();
        EXPECT_FALSE(s.ResizeTo(0, 0));
        EXPECT_EQ(s.Rect, c.result);
    }
}

TEST_F(Bench, MoveCentresOnThePointWithTruncatedHalves) {
    TLense lens(120, 10, 135, 90);  // 15 x 80
    lens.Focused = 1;
    ASSERT_TRUE(lens.GrabHandle(127, 50));
    EXPECT_FALSE(lens.ResizeTo(0, 0));
    EXPECT_TRUE(lens.MoveTo(200, 50));
    EXPECT_EQ(lens.Rect, (TRect{193, 10, 207, 90}));  // 15 wide became 14
    EXPECT_TRUE(lens.MoveTo(-3, -5));
    EXPECT_EQ(lens.Rect, (TRect{-10, -45, 4, 35}));
}

// Three overlapping elements: A (0..40), B (20..60), C (100..140).
class Manager : public Bench {
protected:
    BenchCanvas canvas{200, 100};
    BaseShape a{0, 0, 40, 40}, b{20, 0, 60, 40}, c{100, 0, 140, 40};
    ShapeManeger bench{&canvas};
    void SetUp() override {
        for (BaseShape* s : {&a, &b, &c}) ASSERT_TRUE(bench.Add(s));
    }
};

TEST_F(Manager, ListsWithoutOwning) {
    EXPECT_FALSE(bench.Add(nullptr));
    EXPECT_EQ(bench.Count(), 3);
    EXPECT_EQ(bench.GetShape(1), &b);
    EXPECT_EQ(bench.GetShape(3), nullptr);
    EXPECT_EQ(bench.GetShape(-1), nullptr);
    EXPECT_EQ(a.Canvas, &canvas);
    EXPECT_EQ(bench.MultiSelect, 0);
    ShapeManeger empty(&canvas);
    EXPECT_EQ(empty.HitTest(10, 10), nullptr);
    EXPECT_FALSE(empty.SelectAt(10, 10));
}

TEST_F(Manager, HitTestLastHitWinsAndTheFocusedFrameComesFirst) {
    EXPECT_EQ(bench.HitTest(10, 10), &a);
    EXPECT_EQ(bench.HitTest(30, 10), &b);  // both hit: the later one
    EXPECT_EQ(bench.HitTest(80, 10), nullptr);
    EXPECT_EQ(bench.HitTest(40, 10), &b);  // right edge of A lies outside A

    ASSERT_TRUE(bench.Select(&a));
    EXPECT_EQ(bench.HitTest(30, 10), &a);  // inside A's grown frame, though B overlaps
    EXPECT_EQ(bench.HitTest(45, 10), &a);
    EXPECT_EQ(bench.HitTest(50, 10), &b);
    EXPECT_EQ(bench.HitTest(95, 10), nullptr);

    ASSERT_TRUE(bench.Select(&c));
    EXPECT_EQ(bench.HitTest(95, 10), &c);  // the focused element's frame
    EXPECT_EQ(bench.HitTest(30, 10), &b);
}

TEST_F(Manager, SelectReportsWhetherTheSelectionChanged) {
    EXPECT_FALSE(bench.SelectAt(80, 10));  // nothing focused, nothing hit
    EXPECT_TRUE(bench.SelectAt(10, 10));
    EXPECT_TRUE(a.Focused);
    EXPECT_EQ(bench.Focus(), &a);
    EXPECT_FALSE(bench.SelectAt(12, 12));  // the focused element again
    EXPECT_TRUE(bench.SelectAt(120, 10));
    EXPECT_FALSE(a.Focused);
    EXPECT_TRUE(c.Focused);
    EXPECT_EQ(FocusList::Count(), 1);
    EXPECT_TRUE(bench.SelectAt(80, 90));  // empty canvas unfocuses
    EXPECT_FALSE(c.Focused);
    EXPECT_FALSE(bench.HasSelection);
    EXPECT_TRUE(FocusList::IsEmpty());
}

TEST_F(Manager, DragMovesTheFocusedElementByItsCentreHandle) {
    EXPECT_FALSE(bench.MouseDown(20, 20));  // nothing focused
    ASSERT_TRUE(bench.SelectAt(120, 20));
    bench.DrawAll();  // places the handles
    EXPECT_TRUE(bench.HoverAt(120, 20));
    ASSERT_TRUE(bench.MouseDown(120, 20));
    EXPECT_TRUE(bench.DragTo(150, 60));
    EXPECT_EQ(c.Rect, (TRect{130, 40, 170, 80}));
    bench.MouseUp(150, 60);
    EXPECT_FALSE(bench.DragTo(10, 10));
    EXPECT_EQ(c.Rect, (TRect{130, 40, 170, 80}));
}

TEST_F(Manager, DrawsTheFocusedElementLastWithItsFrame) {
    TLight light(0, 0, 40, 40);  // red disc over A's place, listed first
    ShapeManeger two(&canvas);
    two.Add(&light);
    two.Add(&b);
    auto overlap = [&] { return canvas.Image().pixelColor(30, 20); };

    canvas.Clear();
    two.DrawAll();
    EXPECT_EQ(overlap(), QColor(Qt::white));  // B lies on top
    EXPECT_EQ(canvas.Image().pixelColor(10, 20), QColor(Qt::red));

    ASSERT_TRUE(two.Select(&light));
    canvas.Clear();
    two.DrawAll();
    EXPECT_EQ(overlap(), QColor(Qt::red));  // the focused light on top
    // Black handles at the corners of the frame, and the canvas restored.
    EXPECT_EQ(canvas.Image().pixelColor(44, 44), QColor(Qt::black));
    EXPECT_EQ(canvas.Image().pixelColor(20, 20), QColor(Qt::black));  // centre handle
    EXPECT_EQ(canvas.BrushColor(), QColor(Qt::white));
    EXPECT_EQ(canvas.PenStyle(), Qt::SolidLine);
    EXPECT_EQ(canvas.PenWidth(), 1);
}

TEST_F(Bench, FocusListCurrentAndNext) {
    EXPECT_EQ(FocusList::Current(), nullptr);
    EXPECT_EQ(FocusList::Next(), nullptr);
    BaseShape a, b, c;
    a.Focused = b.Focused = c.Focused = 1;
    FocusList::Add(&a);
    EXPECT_EQ(FocusList::Current(), &a);
    EXPECT_EQ(FocusList::Current(), &a);
    FocusList::Add(&b);
    FocusList::Add(&c);  // newest first: c, b, a
    EXPECT_EQ(FocusList::Current(), &c);
    EXPECT_EQ(FocusList::Next(), &b);
    EXPECT_EQ(FocusList::Current(), &a);
    EXPECT_EQ(FocusList::Next(), &c);  // wraps to the head
    FocusList::Clear();
    EXPECT_TRUE(FocusList::IsEmpty());
    EXPECT_FALSE(a.Focused || b.Focused || c.Focused);

    // A focused element that is deleted leaves the list.
    auto doomed = std::make_unique<BaseShape>();
    FocusList::Add(doomed.get());
    doomed.reset();
    EXPECT_TRUE(FocusList::IsEmpty());
}

struct Section : qelta::testing::EmptyWorkDir {};

TEST_F(Section, LoadsItsPictureAndDrawsItStretched) {
    QImage picture(4, 2, QImage::Format_RGB32);
    picture.fill(QColor(0, 0, 255));
    std::filesystem::create_directory("pics");
    ASSERT_TRUE(picture.save("pics/rectsection1.bmp", "BMP"));

    TSection section(10, 10, 50, 30);
    EXPECT_TRUE(section.Bitmap.isNull());
    section.LoadBitmap(SectionPictureName(1));
    EXPECT_EQ(SectionPictureName(1), ".\\pics\\rectsection1.bmp");
    ASSERT_EQ(section.Bitmap.size(), QSize(4, 2));

    BenchCanvas canvas(60, 40);
    ShapeManeger bench(&canvas);
    bench.Add(&section);
    bench.DrawAll();
    EXPECT_EQ(canvas.Image().pixelColor(10, 10), QColor(0, 0, 255));
    EXPECT_EQ(canvas.Image().pixelColor(49, 29), QColor(0, 0, 255));
    EXPECT_EQ(canvas.Image().pixelColor(50, 30), QColor(Qt::white));

    // A missing or broken file raises and leaves the picture as it was.
    EXPECT_THROW(section.LoadBitmap(SectionPictureName(2)), vorlantic::platform::EFOpenError);
    qelta::testing::write_file("pics/rectsection0.bmp", "not a bitmap");
    EXPECT_THROW(section.LoadBitmap(SectionPictureName(0)), vorlantic::platform::EInvalidGraphic);
    EXPECT_EQ(section.Bitmap.size(), QSize(4, 2));
}

}  // namespace

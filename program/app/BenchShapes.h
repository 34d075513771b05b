// The elements of the optical bench as drawn and edited in the bench
// schematic: light source, lenses, test section, film and cutoff, each with
// the parameters and type code the optics reads for it, and the manager that
// draws them, hit-tests the mouse and moves or resizes the focused element by
// its five handles.
#pragma once

#include <QImage>
#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/BenchCanvas.h"
#include "platform/ScopedHook.h"

namespace vorlantic {

constexpr int kMaxShapeParams = 20;
// The largest size of a bench parameter (a kilometre in millimetres).
constexpr double kMaxBenchValue = 1e6;

// Screen cursors of the bench editor.
enum class ShapeCursor { Default, SizeNWSE, SizeNESW, Hand };
using CursorHook = std::function<void(ShapeCursor)>;
// Installs the cursor setter (an empty hook restores the default, the
// application's override cursor); returns the one it replaces.
CursorHook SetCursorHook(CursorHook hook);
void SetScreenCursor(ShapeCursor cursor);
using ScopedCursorHook = platform::ScopedHook<CursorHook, SetCursorHook>;

// Screen geometry in canvas pixels; OuterRect is Rect grown by 8 on every
// side, the hit area of a focused element.
class ShapeData {
public:
    void SetRect(int left, int top, int right, int bottom);
    TRect GetRect() const { return Rect; }
    TRect GetOuterRect() const { return OuterRect; }

    TRect Rect;
    TRect OuterRect;
};

class BaseShape : public ShapeData {
public:
    BaseShape(int left = 0, int top = 0, int right = 0, int bottom = 0);
    BaseShape(const BaseShape&) = delete;
    BaseShape& operator=(const BaseShape&) = delete;
    virtual ~BaseShape();

    // Dotted frame 5 pixels outside Rect and the five handles.
    virtual void DrawFocus();
    virtual void HandleMode() {}
    // Rounded rectangle in Rect.
    virtual void Draw();
    // Sub-type names, type code and parameter names of subType (0-based);
    // elements with one parameter set do nothing.
    virtual void SetupParameters(int subType);
    // Raises EConvertError when value cannot be parameter p (0-based) of the
    // element: every parameter lies within +-kMaxBenchValue.
    virtual void CheckParam(int p, double value) const;

    // Handles of the focused element: 0 top-left, 1 top-right, 2 bottom-left,
    // 3 bottom-right, 4 centre; 6 x 6 squares on the focus frame.
    static void UpdateHandles(const TRect& rect);
    static TRect Handle(int index) { return Handles[index]; }
    // Cursor over a handle and GrabbedHandle; true on a handle.
    bool HoverHandle(int x, int y);
    // A press on a handle toggles the drag (ButtonDown, and MoveArmed for
    // the centre or ResizeArmed for a corner); true on a handle.
    bool GrabHandle(int x, int y);
    // The grabbed corner follows the point; true when armed.
    bool ResizeTo(int x, int y);
    // Rect centred on the point, halves of width and height truncated; true
    // when armed.
    bool MoveTo(int x, int y);
    void ReleaseHandles();

    std::array<double, kMaxShapeParams> Params{};
    // Codes[0] is the type code.
    std::array<double, kMaxShapeParams> Codes{};
    std::array<std::string, kMaxShapeParams> ParamNames;
    std::string Name = "BaseShape";
    std::string TypeName = "BaseShape";
    int ParamCount = 0;
    int CodeCount = 1;
    int SubType = 0;
    int SubTypeCount = 1;
    std::array<std::string, kMaxShapeParams> SubTypeNames;
    BenchCanvas* Canvas = nullptr;
    int Focused = 0;
    int ResizeArmed = 0;
    int MoveArmed = 0;
    int ButtonDown = 0;
    std::uint8_t GrabbedHandle = 0;

protected:
    // Parameter names in order; ParamCount := their number.
    void SetParamNames(std::initializer_list<const char*> names);
    void SetSubTypeNames(std::initializer_list<const char*> names);

private:
    // Index of the handle under the point, tested 4, 3, 2, 1, 0; -1 if none.
    static int HandleAt(int x, int y);
    static std::array<TRect, 5> Handles;
};

// Light source: 0 point, 1 spherical, 2 circular, 3 rectangular, 4 ring.
class TLight : public BaseShape {
public:
    TLight(int left, int top, int right, int bottom);
    void Draw() override;
    void SetupParameters(int subType) override;
};

class TLense : public BaseShape {
public:
    TLense(int left, int top, int right, int bottom);
    void Draw() override;
    // A focal length below kMinFocalLength in size bends a ray without bound.
    void CheckParam(int p, double value) const override;
    static constexpr double kMinFocalLength = 1e-3;
};

// The test section, drawn as its picture (an empty rectangle without one).
class TSection : public BaseShape {
public:
    TSection(int left, int top, int right, int bottom);
    void Draw() override;
    // Loads the picture file (a '\' in the name is a directory separator);
    // raises EFOpenError or EInvalidGraphic and keeps the picture on failure.
    void LoadBitmap(const std::string& fileName);

    QImage Bitmap;
};

class TFilm : public BaseShape {
public:
    TFilm(int left, int top, int right, int bottom);
    // The film's normal (parameters 5 to 7) has a direction.
    void CheckParam(int p, double value) const override;
};

// Cutoff: 0 circular bright-field, 1 circular dark-field, 2 rectangular slit.
class TCutoff : public BaseShape {
public:
    TCutoff(int left, int top, int right, int bottom);
    void SetupParameters(int subType) override;
};

// The focused elements of the program, newest first, with a cursor.
class FocusList {
public:
    static void Add(BaseShape* shape);
    static bool IsEmpty() { return Nodes().empty(); }
    static int Count() { return static_cast<int>(Nodes().size()); }
    // Clears the Focused flag of every element and empties the list.
    static void Clear();
    // Drops the element (when it is deleted) without touching it.
    static void Remove(const BaseShape* shape);
    // Null when empty; the only element; otherwise Next.
    static BaseShape* Current();
    // Advances the cursor from the head, wrapping after the last node.
    static BaseShape* Next();

private:
    static std::vector<BaseShape*>& Nodes();
    static int Cursor;
};

// The elements of one bench in bench order; lists them, owns none.
class ShapeManeger {
public:
    explicit ShapeManeger(BenchCanvas* canvas);
    ShapeManeger(const ShapeManeger&) = delete;
    ShapeManeger& operator=(const ShapeManeger&) = delete;
    ~ShapeManeger();

    // Appends shape and gives it the manager's canvas; false for null.
    bool Add(BaseShape* shape);
    // Null outside the list.
    BaseShape* GetShape(int index) const;
    int Count() const { return static_cast<int>(ShapeList.size()); }
    // The focused element, null when none.
    BaseShape* Focus() const;

    // The element under the point: the focused one within its OuterRect
    // first, else the last element hit in list order; null when none.
    BaseShape* HitTest(int x, int y) const;
    bool SelectAt(int x, int y) { return Select(HitTest(x, y)); }
    // Focuses shape (null: unfocus); true when the selection changed.
    bool Select(BaseShape* shape);
    // Every element in list order, the focused one last, on top.
    void DrawAll();

    bool HoverAt(int x, int y);
    bool MouseDown(int x, int y);
    // Moves or resizes the focused element; true when it changed.
    bool DragTo(int x, int y);
    void MouseUp(int x, int y);

    BenchCanvas* Canvas;
    std::vector<BaseShape*> ShapeList;
    int MultiSelect = 0;
    int HasSelection = 0;
};

// Name of test-section picture index (0, 1, 2): ".\pics\rectsection<index>.bmp".
std::string SectionPictureName(int index);

}  // namespace vorlantic

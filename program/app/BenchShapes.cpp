#include "app/BenchShapes.h"

#include <QCursor>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <algorithm>
#include <cerrno>
#include <cmath>

#include "platform/Errors.h"
#include "platform/FloatText.h"

namespace vorlantic {

// ---------------------------------------------------------------- cursor

namespace {

void SetOverrideCursor(ShapeCursor cursor) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
    if (cursor == ShapeCursor::Default) {
        while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
        return;
    }
    Qt::CursorShape shape = cursor == ShapeCursor::SizeNWSE   ? Qt::SizeFDiagCursor
                            : cursor == ShapeCursor::SizeNESW ? Qt::SizeBDiagCursor
                                                              : Qt::PointingHandCursor;
    if (QGuiApplication::overrideCursor())
        QGuiApplication::changeOverrideCursor(shape);
    else
        QGuiApplication::setOverrideCursor(shape);
}

// Size-NWSE for the corners 0 and 3, size-NESW for 1 and 2, hand for the centre.
ShapeCursor CursorOfHandle(int index) {
    switch (index) {
        case 0:
        case 3: return ShapeCursor::SizeNWSE;
        case 1:
        case 2: return ShapeCursor::SizeNESW;
        default: return ShapeCursor::Hand;
    }
}

}  // namespace

CursorHook SetCursorHook(CursorHook hook) { return platform::ReplaceHook(std::move(hook)); }

void SetScreenCursor(ShapeCursor cursor) {
    const CursorHook& hook = platform::HookSlot<CursorHook>();
    if (hook)
        hook(cursor);
    else
        SetOverrideCursor(cursor);
}

// ---------------------------------------------------------------- ShapeData

void ShapeData::SetRect(int left, int top, int right, int bottom) {
    Rect = {left, top, right, bottom};
    OuterRect = {left - 8, top - 8, right + 8, bottom + 8};
}

// ---------------------------------------------------------------- BaseShape

std::array<TRect, 5> BaseShape::Handles = {
    TRect{0, 0, 3, 3}, TRect{0, 0, 3, 3}, TRect{0, 0, 3, 3}, TRect{0, 0, 3, 3}, TRect{0, 0, 0, 0}};

BaseShape::BaseShape(int left, int top, int right, int bottom) {
    SetRect(left, top, right, bottom);
    SetSubTypeNames({"BaseShape"});
    SetParamNames({"Global X", "Global Y", "Global Z"});
}

BaseShape::~BaseShape() { FocusList::Remove(this); }

void BaseShape::SetParamNames(std::initializer_list<const char*> names) {
    ParamCount = 0;
    for (const char* name : names) ParamNames[ParamCount++] = name;
}

void BaseShape::SetSubTypeNames(std::initializer_list<const char*> names) {
    SubTypeCount = 0;
    for (const char* name : names) SubTypeNames[SubTypeCount++] = name;
}

void BaseShape::SetupParameters(int) {}

void BaseShape::CheckParam(int p, double value) const {
    if (!(std::fabs(value) <= kMaxBenchValue))
        throw platform::EConvertError(QString("%1 = %2 lies outside the bench: its size may be at most %3")
                                          .arg(QString::fromStdString(ParamNames[p]))
                                          .arg(platform::FloatToQString(value))
                                          .arg(platform::FloatToQString(kMaxBenchValue))
                                          .toStdString());
}

void BaseShape::Draw() {
    if (Canvas) Canvas->RoundRect(Rect, 20, 20);
}

void BaseShape::UpdateHandles(const TRect& rect) {
    // The focus frame lies 5 pixels outside the rectangle.
    const TRect frame{rect.Left - 5, rect.Top - 5, rect.Right + 5, rect.Bottom + 5};
    auto square = [](int x, int y) { return TRect{x - 3, y - 3, x + 3, y + 3}; };
    Handles[0] = square(frame.Left, frame.Top);
    Handles[1] = square(frame.Right, frame.Top);
    Handles[2] = square(frame.Left, frame.Bottom);
    Handles[3] = square(frame.Right, frame.Bottom);
    Handles[4] = square((frame.Left + frame.Right) / 2, (frame.Top + frame.Bottom) / 2);
}

void BaseShape::DrawFocus() {
    if (!Canvas) return;
    Canvas->SetPenStyle(Qt::DotLine);
    UpdateHandles(Rect);
    const TRect frame{Rect.Left - 5, Rect.Top - 5, Rect.Right + 5, Rect.Bottom + 5};
    Canvas->MoveTo(frame.Left, frame.Top);
    Canvas->LineTo(frame.Left, frame.Bottom);
    Canvas->LineTo(frame.Right, frame.Bottom);
    Canvas->LineTo(frame.Right, frame.Top);
    Canvas->LineTo(frame.Left, frame.Top);
    Canvas->SetBrushColor(Qt::black);
    for (const TRect& h : Handles) Canvas->FillRect(h);
    Canvas->SetBrushColor(Qt::white);
    Canvas->SetPenStyle(Qt::SolidLine);
}

int BaseShape::HandleAt(int x, int y) {
    for (int i = 4; i >= 0; --i)
        if (Handles[i].Contains(x, y)) return i;
    return -1;
}

bool BaseShape::HoverHandle(int x, int y) {
    if (!Focused) return false;
    int hit = HandleAt(x, y);
    if (hit < 0) {
        SetScreenCursor(ShapeCursor::Default);
        return false;
    }
    GrabbedHandle = static_cast<std::uint8_t>(hit);
    SetScreenCursor(CursorOfHandle(hit));
    return true;
}

bool BaseShape::GrabHandle(int x, int y) {
    if (!Focused) return false;
    UpdateHandles(Rect);
    int hit = HandleAt(x, y);
    if (hit < 0) {
        SetScreenCursor(ShapeCursor::Default);
        return false;
    }
    ButtonDown = !ButtonDown;
    GrabbedHandle = static_cast<std::uint8_t>(hit);
    if (hit == 4)
        MoveArmed = !MoveArmed;
    else
        ResizeArmed = !ResizeArmed;
    SetScreenCursor(CursorOfHandle(hit));
    return true;
}

bool BaseShape::ResizeTo(int x, int y) {
    if (!ResizeArmed || !ButtonDown) return false;
    TRect r = Rect;
    switch (GrabbedHandle) {
        case 0: r.Left = x, r.Top = y; break;
        case 1: r.Right = x, r.Top = y; break;
        case 2: r.Left = x, r.Bottom = y; break;
        case 3: r.Right = x, r.Bottom = y; break;
        default: break;
    }
    SetScreenCursor(CursorOfHandle(GrabbedHandle));
    // A corner dragged past the opposite edge collapses the rectangle.
    SetRect(std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), r.Right, r.Bottom);
    return true;
}

bool BaseShape::MoveTo(int x, int y) {
    if (!MoveArmed || !ButtonDown) return false;
    const int w = Rect.Width(), h = Rect.Height();
    SetRect(x - w / 2, y - h / 2, x + w / 2, y + h / 2);
    return true;
}

void BaseShape::ReleaseHandles() {
    ResizeArmed = 0;
    MoveArmed = 0;
    ButtonDown = 0;
}

// ---------------------------------------------------------------- elements

TLight::TLight(int left, int top, int right, int bottom) : BaseShape(left, top, right, bottom) {
    TypeName = "TLight";
    SetupParameters(0);
}

void TLight::Draw() {
    if (!Canvas) return;
    Canvas->SetBrushColor(Qt::red);
    Canvas->Ellipse(Rect);
    Canvas->SetBrushColor(Qt::white);
    Canvas->SetPenWidth(1);
}

void TLight::SetupParameters(int subType) {
    struct Kind {
        int code;
        bool rectangular;
    };
    static constexpr Kind kinds[] = {{1, false}, {2, false}, {3, false}, {4, true}, {6, false}};
    if (subType < 0 || subType >= static_cast<int>(std::size(kinds))) return;
    SubType = subType;
    SetSubTypeNames({"Point light source", "Spherical light source", "Circular light source",
                     "Rectangular light source", "Ring-shaped light source"});
    Codes[0] = kinds[subType].code;
    if (subType == 0)
        SetParamNames({"Global X", "Global Y", "Global Z"});
    else if (kinds[subType].rectangular)
        SetParamNames({"Global X", "Global Y", "Global Z", "Height", "Width", "Angle"});
    else
        SetParamNames({"Global X", "Global Y", "Global Z", "Diameter"});
}

TLense::TLense(int left, int top, int right, int bottom) : BaseShape(left, top, right, bottom) {
    TypeName = "TLense";
    SetSubTypeNames({"thin convex lens", "TLense1"});
    Codes[0] = 101;
    SetParamNames({"Global X", "Global Y", "Global Z", "f", "Diameter"});
}

void TLense::CheckParam(int p, double value) const {
    BaseShape::CheckParam(p, value);
    if (p == 3 && std::fabs(value) < kMinFocalLength)
        throw platform::EConvertError(QString("The focal length f = %1 of a lens must be at least %2 in size")
                                          .arg(platform::FloatToQString(value))
                                          .arg(platform::FloatToQString(kMinFocalLength))
                                          .toStdString());
}

void TLense::Draw() {
    if (!Canvas) return;
    Canvas->SetPenWidth(2);
    Canvas->Ellipse(Rect);
    Canvas->SetPenWidth(1);
}

TSection::TSection(int left, int top, int right, int bottom) : BaseShape(left, top, right, bottom) {
    TypeName = "TSection";
    SetSubTypeNames({"TSection0", "TSection1"});
    Codes[0] = 501;
    SetParamNames({"Global X", "Global Y", "Global Z", "Depth", "Diameter"});
}

void TSection::Draw() {
    if (!Canvas) return;
    // Without a picture the section is an empty rectangle.
    if (Bitmap.isNull())
        Canvas->FillRect(Rect);
    else
        Canvas->StretchDraw(Rect, Bitmap);
}

void TSection::LoadBitmap(const std::string& fileName) {
    std::string path = fileName;
    std::replace(path.begin(), path.end(), '\\', '/');
    QFile file(QString::fromStdString(path));
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) throw platform::EFOpenError::ForFile(path, errno ? errno : ENOENT);
    QImageReader reader(&file, "bmp");
    QImage picture = reader.read();
    if (picture.isNull()) throw platform::EInvalidGraphic("Bitmap image is not valid");
    Bitmap = picture;
}

TFilm::TFilm(int left, int top, int right, int bottom) : BaseShape(left, top, right, bottom) {
    TypeName = "TFilm";
    SetSubTypeNames({"TFilm0", "TFilm1"});
    Codes[0] = 901;
    SetParamNames({"Global X", "Global Y", "Global Z", "Length", "Width", "Normal X", "Normal Y", "Normal Z"});
}

void TFilm::CheckParam(int p, double value) const {
    BaseShape::CheckParam(p, value);
    if (p < 5 || p > 7) return;
    double normal[3] = {Params[5], Params[6], Params[7]};
    normal[p - 5] = value;
    if (normal[0] == 0 && normal[1] == 0 && normal[2] == 0)
        throw platform::EConvertError("The normal of the film must not be zero");
}

TCutoff::TCutoff(int left, int top, int right, int bottom) : BaseShape(left, top, right, bottom) {
    TypeName = "TCutoff";
    SetupParameters(0);
}

void TCutoff::SetupParameters(int subType) {
    static constexpr int codes[] = {801, 802, 803};
    if (subType < 0 || subType >= static_cast<int>(std::size(codes))) return;
    SubType = subType;
    SetSubTypeNames({"Circular bright-field cutoff", "Circular dark-field cutoff", "Rectangluar slit"});
    Codes[0] = codes[subType];
    if (subType == 2)
        SetParamNames({"Global X", "Global Y", "Global Z", "Length", "Height", "Angle (degrees)"});
    else
        SetParamNames({"Global X", "Global Y", "Global Z", "Diameter"});
}

std::string SectionPictureName(int index) { return ".\\pics\\rectsection" + std::to_string(index) + ".bmp"; }

// ---------------------------------------------------------------- FocusList

int FocusList::Cursor = -1;

std::vector<BaseShape*>& FocusList::Nodes() {
    static std::vector<BaseShape*> nodes;
    return nodes;
}

void FocusList::Add(BaseShape* shape) {
    Nodes().insert(Nodes().begin(), shape);
    if (Cursor >= 0) ++Cursor;  // the cursor stays on its node
}

void FocusList::Clear() {
    for (BaseShape* shape : Nodes())
        if (shape) shape->Focused = 0;
    Nodes().clear();
    Cursor = -1;
}

void FocusList::Remove(const BaseShape* shape) {
    auto& nodes = Nodes();
    auto it = std::find(nodes.begin(), nodes.end(), shape);
    if (it == nodes.end()) return;
    int index = static_cast<int>(it - nodes.begin());
    nodes.erase(it);
    if (Cursor >= index) --Cursor;
}

BaseShape* FocusList::Current() {
    if (Nodes().empty()) return nullptr;
    if (Nodes().size() == 1) return Nodes().front();
    return Next();
}

BaseShape* FocusList::Next() {
    if (Nodes().empty()) return nullptr;
    Cursor = Cursor < 0 || Cursor + 1 >= Count() ? 0 : Cursor + 1;
    return Nodes()[Cursor];
}

// ---------------------------------------------------------------- ShapeManeger

ShapeManeger::ShapeManeger(BenchCanvas* canvas) : Canvas(canvas) {}

ShapeManeger::~ShapeManeger() {
    FocusList::Clear();
    ShapeList.clear();
}

bool ShapeManeger::Add(BaseShape* shape) {
    if (!shape) return false;
    shape->Canvas = Canvas;
    ShapeList.push_back(shape);
    return true;
}

BaseShape* ShapeManeger::GetShape(int index) const {
    return index >= 0 && index < Count() ? ShapeList[index] : nullptr;
}

BaseShape* ShapeManeger::Focus() const { return FocusList::Current(); }

BaseShape* ShapeManeger::HitTest(int x, int y) const {
    if (ShapeList.empty()) return nullptr;
    BaseShape* focus = Focus();
    if (HasSelection && focus && focus->OuterRect.Contains(x, y)) return focus;
    BaseShape* hit = nullptr;
    for (BaseShape* shape : ShapeList) {
        const TRect& area = shape->Focused ? shape->OuterRect : shape->Rect;
        if (area.Contains(x, y)) hit = shape;
    }
    return hit;
}

bool ShapeManeger::Select(BaseShape* shape) {
    BaseShape* focus = Focus();
    if (shape || !focus) {
        if (shape == focus) return false;  // also: nothing focused and nothing hit
        FocusList::Clear();
        shape->Focused = 1;
        HasSelection = 1;
        FocusList::Add(shape);
        return true;
    }
    // A click on empty canvas.
    focus->Focused = 0;
    HasSelection = 0;
    FocusList::Clear();
    return true;
}

void ShapeManeger::DrawAll() {
    if (ShapeList.empty()) return;
    BaseShape* focus = Focus();
    for (BaseShape* shape : ShapeList) {
        if (shape == focus) continue;
        shape->Draw();
        if (shape->Focused) shape->DrawFocus();
    }
    if (focus && std::find(ShapeList.begin(), ShapeList.end(), focus) != ShapeList.end()) {
        focus->Draw();
        focus->DrawFocus();
    }
}

bool ShapeManeger::HoverAt(int x, int y) {
    BaseShape* focus = Focus();
    return focus && focus->HoverHandle(x, y);
}

bool ShapeManeger::MouseDown(int x, int y) {
    BaseShape* focus = Focus();
    return focus && focus->GrabHandle(x, y);
}

bool ShapeManeger::DragTo(int x, int y) {
    BaseShape* focus = Focus();
    if (!focus) return false;
    return focus->MoveTo(x, y) || focus->ResizeTo(x, y);
}

void ShapeManeger::MouseUp(int, int) {
    if (BaseShape* focus = Focus()) focus->ReleaseHandles();
}

}  // namespace vorlantic

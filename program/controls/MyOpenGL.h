// The OpenGL view control: owns the context, fits a 2-D world window to the
// client's aspect, zooms by rubber band and wheel, picks objects with the
// selection buffer, moves the picked object, and draws the object list with
// the case schematic, the global axis and the colour legend over it.
#pragma once

#include <QColor>
#include <QOpenGLWidget>
#include <QRect>
#include <QString>

#include <string>
#include <vector>

#include "controls/Shapes.h"

class QRubberBand;

namespace vorlantic {

class TGLQuadrilaterals;

enum TDrawMode : unsigned char {
    dmZoom = 0,
    dmSelect = 1,
    dmScale = 2,
    dmMove = 3,
    dmRotate = 4,
    dmDelete = 5,
    dmRotateView = 6,
    dmPan = 7,
};

// A world window and the half depth of its orthographic projection.
struct TWorldWindow {
    double X0 = 0, X1 = 0, Y0 = 0, Y1 = 0, Depth = 0;
};

// The visible window after the aspect fit.
struct TViewWindow {
    double XMin = 0, XMax = 0, YMin = 0, YMax = 0;
};

// Layout of the wedge and cone schematics in world coordinates.
struct TDraftBox {
    double X0 = 0, X1 = 0, Y1 = 0, Yb = 0, Xc = 0, L = 0, T = 0;
};

// Layout of the cylinder schematic.
struct TCylinderBox {
    double X0 = 0, X1 = 0, Yb = 0, Yt = 0, Xa = 0, Xb = 0, L = 0;
};

// One character of the bitmap font: rows from the bottom up, 8 pixels a
// byte with the leftmost in the high bit, no row padding.
struct TGlyphBitmap {
    int Width = 0, Height = 0;
    float XOrig = 0, YOrig = 0, Advance = 0;
    std::vector<unsigned char> Bits;
};

class TMyOpenGL : public QOpenGLWidget {
    Q_OBJECT

public:
    explicit TMyOpenGL(QWidget* parent = nullptr);
    ~TMyOpenGL() override;

    // --- view operations
    // Initial view box and world window := (x0, x1, y0, y1), Depth := z1.
    void SetView(float x0, float x1, float y0, float y1, float z0, float z1);
    void RestoreToInit();
    // A flow plot at (x, y) less the view translation, coloured red, made the
    // current object and appended to the list (w, h and color are unused).
    TGLQuadrilaterals* AddQuadrilaterals(float x, float y, float w, float h, int color);
    // The pixel rectangle of the picture to the clipboard.
    void CopyPicture(const QRect& rect);
    void DeleteAll();
    void FixCoordinates(float& x, float& y) const;
    // Pixel -> world over the initial view box.
    void ViewToGlobal(int px, int py, double& x, double& y) const;
    // Pixel -> world over the requested world window (presses and moves).
    void WorldPoint(double px, double py, double& x, double& y) const;
    // Zooms into the client pixel rectangle, un-projected through the
    // matrices of the last frame.
    void Zoom(int left, int top, int right, int bottom);
    void ZoomPrevious();
    void Restore();
    // Un-projects the client pixel rectangle and loads the aspect-fitted
    // orthographic projection of that window for the current frame; the
    // world window is kept, so the next frame shows it again.
    void Pan(int left, int top, int right, int bottom);
    // Loads the projection of the current world window again.
    void RestoreProjMatrix();
    // The control's own drawing surface.
    QPaintDevice* GetCanvas() { return this; }
    // The object under the client pixel (x, y) becomes current; repeated
    // picks at one place cycle through the objects there.
    void PickObject(int x, int y);
    void SetDrawMode(TDrawMode mode);
    void SetBackColor(const QColor& color);
    void setBackColor(int color);
    QColor GetBackColor() const { return BackColor; }
    void SetDrawGlobalAxis(bool on) { DrawGlobalAxisOn = on; }
    void SetText(const QString& text);

    // --- frame
    // Aspect fit of the world window to the client; loads the projection
    // when called inside a frame.
    void ResizeGL();
    void RenderGLScene(unsigned mode);
    void DrawGLText(const QString& text, double x, double y);
    void EnableLineSmoothing();

    // --- overlays
    void DrawWedge(double mach, double gamma, double angleDeg);
    void DrawCone(double mach, double gamma, double semiapexDeg);
    void DrawCylinder(double mach, double gamma);
    void DrawSphere(double mach, double gamma);
    void DrawDraft();
    void DrawEmptyDraft();
    void DrawGlobalAxis();
    void DrawLegend();

    // --- geometry and rules of the overlays and of picking, without GL
    // The visible window of a world window on a w x h client.
    static TViewWindow FitWorldWindow(const TWorldWindow& world, int w, int h);
    // The wedge and cone layout in the current visible window.
    TDraftBox DraftBox(double angleDeg) const;
    TCylinderBox CylinderBox() const;
    void UpdateAxisGeometry();
    void UpdateLegendGeometry();
    // red, green, blue of v on the plot's colour map, in single precision.
    static void getLegendColor(float v, float maximum, float minimum, float mid, float rgb[3]);
    // "%.2e" when the integer part exceeds 10000 in magnitude, else "%.2f".
    static QString LegendLabel(double value);
    // The id picked from a selection buffer of `hits` records (a negative
    // count: the buffer overflowed, so the whole buffer), given the current
    // object's id (0 when none); 0 when nothing named was hit. Records are
    // walked by their name counts; records without a name are skipped.
    static int ChooseHit(const unsigned* buffer, int bufferSize, int hits, int currentId);
    // The glyph of one character code (Latin-1) in a font.
    static TGlyphBitmap RenderGlyph(const QFont& font, int code);

    // --- state (the main window writes several of these directly)
    TDrawMode DrawMode = dmZoom;
    float MouseDownX = 0, MouseDownY = 0;
    float ClearR = 0, ClearG = 0, ClearB = 0;
    bool DrawGlobalAxisOn = false;
    double AxisX0 = 0, AxisY0 = 0, AxisLengthX = 0, AxisLengthY = 0, AxisHead = 0;
    float InitX0 = -0.4f, InitX1 = 1.5f, InitY1 = 1.5f, InitY0 = -0.4f, InitZ0 = -1, InitZ1 = 1;
    // First display list of the bitmap font (256 lists: glyph = byte value).
    unsigned FontListBase = 0;
    double LegendX = 0, LegendY = 0, LegendWidth = 0, LegendHeight = 0;
    TGLObject* FirstObject = nullptr;
    TGLObject* CurrentObject = nullptr;
    float ViewRotX = 0, ViewRotY = 0, ViewRotZ = 0;
    float ViewScaleX = 1, ViewScaleY = 1;
    float ViewTransX = 0, ViewTransY = 0, ViewTransZ = 0;
    double LegendMax = 1, LegendMin = 0, LegendMid = 0;
    bool DraftOn = false;
    bool LegendOn = false;
    bool AspectCorrection = true;
    // Matrices and viewport of the last frame, read by the un-projection.
    double ModelMatrix[16] = {};
    double ProjMatrix[16] = {};
    int Viewport[4] = {};
    double ViewXMin = -0.4, ViewXMax = 1.5, ViewYMin = -0.4, ViewYMax = 1.5;
    int DraftType = -1;
    double DraftAngle = 0, DraftMach = 0, DraftGamma = 0;
    bool RubberBandOn = false;
    QRect RubberBandRect;
    double WorldX0 = -0.4, WorldX1 = 1.5, WorldY0 = -0.4, WorldY1 = 1.5, Depth = 1;
    TWorldWindow PrevWorldWindow;
    QColor BackColor = QColor(0, 0, 0);
    // Bevels of the control's frame (the view fills its client and draws none).
    enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
    TBevelCut BevelInner = bvLowered;
    TBevelCut BevelOuter = bvRaised;
    // The pointer's world position, as text.
    QString Text;
    // World extent of a rotating drag (set by nothing: rotation stays off).
    double DragExtent = 0;

signals:
    // The context is ready.
    void OnInitRC();
    // Published for the form designer; the view never fires it.
    void OnPaint();
    void TextChanged(const QString& text);

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    bool event(QEvent* event) override;

private:
    void defaultInitRC();
    void SetDefaultGLFont();
    void DeleteGLFont();
    void DeleteCurrentObject();
    // Mode, view transform, rubber band and schematic back to their start.
    void ResetView();
    void UpdateViewWindow();
    // The world box under the client pixel rectangle, un-projected through
    // the matrices of the last frame; false when the matrices do not invert.
    bool UnProjectBand(int left, int top, int right, int bottom, TViewWindow& band) const;
    void LoadProjection();
    void PaintWedgeOrCone(bool cone);
    void PaintCylinder();
    void PaintShockArrow(double x0, double m, double l);
    void ShowRubberBand();
    double DevicePixelRatio() const;
    // RenderGLScene; an error while drawing ends the frame with the
    // background alone and is reported, once for a run of failing frames,
    // after the event. No error leaves the drawing. False when it failed.
    bool RenderGuarded(unsigned mode);
    // The matrices the drawing pushed popped, the background cleared.
    void DiscardFrame();
    void ReportDrawError(const std::string& text);

    bool contextReported_ = false;
    bool drawFailed_ = false;
    bool inFrame_ = false;
    bool picking_ = false;
    double pickX_ = 0, pickY_ = 0;
    unsigned selectBuffer_[512] = {};
    QRubberBand* rubberBand_ = nullptr;
};

}  // namespace vorlantic

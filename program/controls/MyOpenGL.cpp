#include "controls/MyOpenGL.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QSurfaceFormat>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "platform/Errors.h"
#include "platform/FloatText.h"
#include "platform/MessageBoxes.h"

namespace vorlantic {

namespace {

constexpr int kSelectBufferSize = 512;
constexpr int kFontLists = 256;  // glyphs 0..254 and an empty list for 255

void identity(double m[16]) {
    std::fill(m, m + 16, 0.0);
    m[0] = m[5] = m[10] = m[15] = 1;
}

// Orthographic projection onto the box, column-major as OpenGL keeps it.
void ortho(double m[16], double l, double r, double b, double t, double n, double f) {
    std::fill(m, m + 16, 0.0);
    m[0] = 2 / (r - l);
    m[5] = 2 / (t - b);
    m[10] = -2 / (f - n);
    m[12] = -(r + l) / (r - l);
    m[13] = -(t + b) / (t - b);
    m[14] = -(f + n) / (f - n);
    m[15] = 1;
}

void line(double x0, double y0, double x1, double y1) {
    glVertex2d(x0, y0);
    glVertex2d(x1, y1);
}

}  // namespace

TMyOpenGL::TMyOpenGL(QWidget* parent) : QOpenGLWidget(parent) {
    // Immediate mode, matrix stack, stipple and selection need the
    // compatibility profile; no alpha in the picture, 16 depth bits.
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(2, 1);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setDepthBufferSize(16);
    format.setAlphaBufferSize(0);
    setFormat(format);
    setTextureFormat(GL_RGB8);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    identity(ModelMatrix);
    identity(ProjMatrix);
    UpdateAxisGeometry();
}

TMyOpenGL::~TMyOpenGL() {
    DeleteAll();
    if (isValid()) {
        makeCurrent();
        DeleteGLFont();
        doneCurrent();
    }
}

double TMyOpenGL::DevicePixelRatio() const { return devicePixelRatioF(); }

// ------------------------------------------------------------ context

void TMyOpenGL::initializeGL() {
    defaultInitRC();
    SetDefaultGLFont();
    emit OnInitRC();
    update();
}

bool TMyOpenGL::event(QEvent* event) {
    bool handled = QOpenGLWidget::event(event);
    // The context is made when the widget is first shown with a size; still
    // none after that: no pixel format with the features above.
    bool made = event->type() == QEvent::Show || event->type() == QEvent::Resize;
    if (made && !contextReported_ && !isValid() && isVisible() && !size().isEmpty() && window()->windowHandle()) {
        contextReported_ = true;
        // Shown once the show or resize event is done, outside its handling.
        QTimer::singleShot(0, this, [this] {
            platform::MessageBox("ChoosePixelFormat failed", "Error", platform::MsgButtons::Ok,
                                 platform::MsgIcon::Error, this);
        });
    }
    return handled;
}

void TMyOpenGL::defaultInitRC() {
    glClearColor(ClearR, ClearG, ClearB, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glFlush();
}

TGlyphBitmap TMyOpenGL::RenderGlyph(const QFont& font, int code) {
    TGlyphBitmap glyph;
    QFont sharp(font);
    sharp.setStyleStrategy(QFont::NoAntialias);
    QFontMetrics fm(sharp);
    QString text(QChar(static_cast<char16_t>(code)));
    glyph.Advance = static_cast<float>(fm.horizontalAdvance(text));
    QRect box = fm.boundingRect(text);
    if (code < 32 || box.isEmpty()) return glyph;

    // The cell from the left of the pen (or the ink) to the advance (or the
    // ink), from the ascent (or the ink) down to the descent (or the ink).
    int left = std::min(0, box.left());
    int right = std::max(static_cast<int>(glyph.Advance), box.right() + 1);
    int top = std::min(-fm.ascent(), box.top());
    int bottom = std::max(fm.descent(), box.bottom() + 1);
    glyph.Width = right - left;
    glyph.Height = bottom - top;
    glyph.XOrig = static_cast<float>(-left);
    glyph.YOrig = static_cast<float>(bottom);

    QImage image(glyph.Width, glyph.Height, QImage::Format_Grayscale8);
    image.fill(0);
    {
        QPainter painter(&image);
        painter.setFont(sharp);
        painter.setPen(Qt::white);
        painter.drawText(-left, -top, text);
    }
    int rowBytes = (glyph.Width + 7) / 8;
    glyph.Bits.assign(static_cast<std::size_t>(rowBytes) * glyph.Height, 0);
    for (int row = 0; row < glyph.Height; ++row) {
        const uchar* line = image.constScanLine(glyph.Height - 1 - row);
        for (int x = 0; x < glyph.Width; ++x)
            if (line[x] > 127) glyph.Bits[row * rowBytes + x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
    }
    return glyph;
}

void TMyOpenGL::SetDefaultGLFont() {
    DeleteGLFont();
    FontListBase = glGenLists(kFontLists);
    if (!FontListBase) return;
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const unsigned char blank = 0;
    for (int code = 0; code < kFontLists - 1; ++code) {
        TGlyphBitmap g = RenderGlyph(font(), code);
        glNewList(FontListBase + code, GL_COMPILE);
        // A glyph without ink (a blank) as one clear pixel, so that its
        // advance is kept.
        if (g.Bits.empty())
            glBitmap(1, 1, 0, 0, g.Advance, 0, &blank);
        else
            glBitmap(g.Width, g.Height, g.XOrig, g.YOrig, g.Advance, 0, g.Bits.data());
        glEndList();
    }
    glNewList(FontListBase + kFontLists - 1, GL_COMPILE);
    glEndList();
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
}

void TMyOpenGL::DeleteGLFont() {
    if (FontListBase) glDeleteLists(FontListBase, kFontLists);
    FontListBase = 0;
}

void TMyOpenGL::DrawGLText(const QString& text, double x, double y) {
    if (!FontListBase) return;
    QByteArray bytes = text.toLatin1();
    glRasterPos2d(x, y);
    glListBase(FontListBase);
    glCallLists(static_cast<GLsizei>(bytes.size()), GL_UNSIGNED_BYTE, bytes.constData());
}

void TMyOpenGL::EnableLineSmoothing() {
    glEnable(GL_LINE_SMOOTH);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
}

void TMyOpenGL::SetBackColor(const QColor& color) {
    BackColor = color;
    ClearR = static_cast<float>(color.red() / 255.0);
    ClearG = static_cast<float>(color.green() / 255.0);
    ClearB = static_cast<float>(color.blue() / 255.0);
    update();
}

void TMyOpenGL::setBackColor(int color) {
    ClearR = static_cast<float>((color & 0xFF) / 255.0);
    ClearG = static_cast<float>(((color >> 8) & 0xFF) / 255.0);
    ClearB = static_cast<float>(((color >> 16) & 0xFF) / 255.0);
}

void TMyOpenGL::SetText(const QString& text) {
    if (text == Text) return;
    Text = text;
    emit TextChanged(Text);
}

// ------------------------------------------------------------ view fit

TViewWindow TMyOpenGL::FitWorldWindow(const TWorldWindow& world, int w, int h) {
    // Widen the shorter side about the window's centre to the client's
    // aspect a = h / w.
    double a = static_cast<double>(h) / w;
    double dx = world.X1 - world.X0, dy = world.Y1 - world.Y0;
    TViewWindow v;
    if (dy / dx >= a) {
        double cx = 0.5 * (world.X0 + world.X1);
        v.XMin = cx - dy / (2 * a);
        v.XMax = cx + dy / (2 * a);
        v.YMin = world.Y0;
        v.YMax = world.Y1;
    } else {
        double cy = 0.5 * (world.Y0 + world.Y1);
        v.XMin = world.X0;
        v.XMax = world.X1;
        v.YMin = cy - dx * a / 2;
        v.YMax = cy + dx * a / 2;
    }
    return v;
}

void TMyOpenGL::UpdateViewWindow() {
    int w = width(), h = height();
    if (w == 0 || h == 0) return;
    double dx = WorldX1 - WorldX0, dy = WorldY1 - WorldY0;
    // A degenerate window keeps the previous projection, as a zero client does.
    if (!std::isfinite(dx) || !std::isfinite(dy) || dx == 0 || dy == 0 || Depth == 0) return;
    TViewWindow v = FitWorldWindow(TWorldWindow{WorldX0, WorldX1, WorldY0, WorldY1, Depth}, w, h);
    ViewXMin = v.XMin;
    ViewXMax = v.XMax;
    ViewYMin = v.YMin;
    ViewYMax = v.YMax;
    double dpr = DevicePixelRatio();
    Viewport[0] = Viewport[1] = 0;
    Viewport[2] = static_cast<int>(std::lround(w * dpr));
    Viewport[3] = static_cast<int>(std::lround(h * dpr));
    ortho(ProjMatrix, ViewXMin, ViewXMax, ViewYMin, ViewYMax, -Depth, Depth);
    identity(ModelMatrix);
}

void TMyOpenGL::LoadProjection() {
    glViewport(Viewport[0], Viewport[1], Viewport[2], Viewport[3]);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (picking_) {
        double dpr = DevicePixelRatio();
        gluPickMatrix(pickX_ * dpr, Viewport[3] - pickY_ * dpr, 2, 2, Viewport);
    }
    glMultMatrixd(ProjMatrix);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void TMyOpenGL::ResizeGL() {
    UpdateViewWindow();
    if (inFrame_) LoadProjection();
}

void TMyOpenGL::resizeGL(int, int) {
    UpdateViewWindow();
    update();
}

void TMyOpenGL::resizeEvent(QResizeEvent* event) {
    QOpenGLWidget::resizeEvent(event);
    UpdateViewWindow();
}

// ------------------------------------------------------------ frame

void TMyOpenGL::paintGL() { RenderGuarded(kRenderMode); }

bool TMyOpenGL::RenderGuarded(unsigned mode) {
    try {
        RenderGLScene(mode);
        drawFailed_ = false;
        return true;
    } catch (const std::exception& e) {
        DiscardFrame();
        ReportDrawError(e.what());
    } catch (...) {
        DiscardFrame();
        ReportDrawError("");
    }
    return false;
}

void TMyOpenGL::DiscardFrame() {
    inFrame_ = false;
    glMatrixMode(GL_MODELVIEW);
    GLint depth = 1;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    for (; depth > 1; --depth) glPopMatrix();
    glLoadIdentity();
    glDisable(GL_LINE_STIPPLE);
    glClearColor(ClearR, ClearG, ClearB, 0);
    glClear(GL_COLOR_BUFFER_BIT);
}

void TMyOpenGL::ReportDrawError(const std::string& text) {
    if (drawFailed_) return;
    drawFailed_ = true;
    // Shown once the paint or resize event is done.
    QTimer::singleShot(0, this, [text] { platform::ShowException(std::runtime_error(text)); });
}

void TMyOpenGL::RenderGLScene(unsigned mode) {
    inFrame_ = true;
    glClearColor(ClearR, ClearG, ClearB, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    EnableLineSmoothing();
    ResizeGL();

    glPushMatrix();
    glTranslatef(ViewTransX, ViewTransY, ViewTransZ);
    glScalef(ViewScaleX, ViewScaleY, 1);
    glRotatef(ViewRotX, 1, 0, 0);
    glRotatef(ViewRotY, 0, 1, 0);
    glRotatef(ViewRotZ, 0, 0, 1);
    for (TGLObject* obj = FirstObject; obj; obj = obj->Next) {
        obj->SetSelected(obj == CurrentObject);
        obj->Draw(mode);
    }
    glPopMatrix();

    if (DraftOn) DrawDraft();
    if (DrawGlobalAxisOn) DrawGlobalAxis();
    if (LegendOn) {
        DrawLegend();
        glLoadIdentity();
    }
    glFlush();
    inFrame_ = false;
}

// ------------------------------------------------------------ view operations

void TMyOpenGL::SetView(float x0, float x1, float y0, float y1, float z0, float z1) {
    InitX0 = x0;
    InitX1 = x1;
    InitY0 = y0;
    InitY1 = y1;
    InitZ0 = z0;
    InitZ1 = z1;
    WorldX0 = x0;
    WorldX1 = x1;
    WorldY0 = y0;
    WorldY1 = y1;
    Depth = z1;
    ResizeGL();
}

void TMyOpenGL::ResetView() {
    MouseDownX = MouseDownY = 0;
    DrawMode = dmZoom;
    ViewRotX = ViewRotY = ViewRotZ = 0;
    ViewTransX = ViewTransY = ViewTransZ = 0;
    ViewScaleX = ViewScaleY = 1;
    AspectCorrection = true;
    RubberBandOn = false;
    if (rubberBand_) rubberBand_->hide();
    DraftType = -1;
    DraftOn = false;
}

void TMyOpenGL::RestoreToInit() {
    ResetView();
    DrawGlobalAxisOn = true;
    WorldX0 = InitX0;
    WorldX1 = InitX1;
    WorldY0 = InitY0;
    WorldY1 = InitY1;
    Depth = InitZ1;
    ResizeGL();
    update();
}

void TMyOpenGL::Restore() {
    ResetView();
    DrawGlobalAxisOn = false;
    InitZ0 = 0;
    InitZ1 = 1;
    update();
}

void TMyOpenGL::ZoomPrevious() {
    const TWorldWindow& p = PrevWorldWindow;
    if (p.X1 == p.X0 || p.Y1 == p.Y0) return;  // no zoom yet
    WorldX0 = p.X0;
    WorldX1 = p.X1;
    WorldY0 = p.Y0;
    WorldY1 = p.Y1;
    Depth = p.Depth;
    ResizeGL();
    update();
}

TGLQuadrilaterals* TMyOpenGL::AddQuadrilaterals(float x, float y, float, float, int) {
    FixCoordinates(x, y);
    auto* plot = new TGLQuadrilaterals(x, y);
    plot->SetColor(255);
    CurrentObject = plot;
    if (FirstObject)
        FirstObject->AddObject(plot);
    else
        FirstObject = plot;
    update();
    return plot;
}

void TMyOpenGL::CopyPicture(const QRect& rect) {
    QImage frame = grabFramebuffer();
    double dpr = DevicePixelRatio();
    QRect pixels(static_cast<int>(std::lround(rect.x() * dpr)), static_cast<int>(std::lround(rect.y() * dpr)),
                 static_cast<int>(std::lround(rect.width() * dpr)), static_cast<int>(std::lround(rect.height() * dpr)));
    QGuiApplication::clipboard()->setImage(frame.copy(pixels));
}

void TMyOpenGL::DeleteAll() {
    if (FirstObject) {
        FirstObject->FreeLinkedObjects();
        delete FirstObject;
    }
    FirstObject = nullptr;
    CurrentObject = nullptr;
}

void TMyOpenGL::DeleteCurrentObject() {
    if (!CurrentObject) return;
    if (CurrentObject == FirstObject) {
        FirstObject = FirstObject->Next;
    } else {
        TGLObject* prev = FirstObject;
        while (prev && prev->Next != CurrentObject) prev = prev->Next;
        if (!prev) {  // not on the list: nothing of ours to delete
            CurrentObject = nullptr;
            return;
        }
        prev->Next = CurrentObject->Next;
    }
    CurrentObject->Next = nullptr;
    delete CurrentObject;
    CurrentObject = nullptr;
    update();
}

void TMyOpenGL::FixCoordinates(float& x, float& y) const {
    x -= ViewTransX;
    y -= ViewTransY;
}

void TMyOpenGL::ViewToGlobal(int px, int py, double& x, double& y) const {
    int w = std::max(width(), 1), h = std::max(height(), 1);
    x = InitX0 + (InitX1 - InitX0) * static_cast<double>(px) / w;
    y = InitY0 + (InitY1 - InitY0) * static_cast<double>(h - py) / h;
}

void TMyOpenGL::WorldPoint(double px, double py, double& x, double& y) const {
    int w = std::max(width(), 1), h = std::max(height(), 1);
    x = WorldX0 + (WorldX1 - WorldX0) * px / w;
    y = WorldY0 + (WorldY1 - WorldY0) * (h - py) / h;
}

bool TMyOpenGL::UnProjectBand(int left, int top, int right, int bottom, TViewWindow& band) const {
    int h = height();
    double dpr = DevicePixelRatio();
    double wx0 = std::min(left, right) * dpr, wx1 = std::max(left, right) * dpr;
    double wy0 = std::min(h - top, h - bottom) * dpr, wy1 = std::max(h - top, h - bottom) * dpr;
    double z;
    return gluUnProject(wx0, wy0, 0, ModelMatrix, ProjMatrix, Viewport, &band.XMin, &band.YMin, &z) &&
           gluUnProject(wx1, wy1, 0, ModelMatrix, ProjMatrix, Viewport, &band.XMax, &band.YMax, &z);
}

void TMyOpenGL::Zoom(int left, int top, int right, int bottom) {
    TViewWindow band;
    if (!UnProjectBand(left, top, right, bottom, band)) return;
    if (band.XMax - band.XMin > 0.001 && band.YMax - band.YMin > 0.001) {
        PrevWorldWindow = TWorldWindow{WorldX0, WorldX1, WorldY0, WorldY1, Depth};
        WorldX0 = band.XMin;
        WorldX1 = band.XMax;
        WorldY0 = band.YMin;
        WorldY1 = band.YMax;
        ResizeGL();
    }
}

void TMyOpenGL::Pan(int left, int top, int right, int bottom) {
    TViewWindow band;
    if (!UnProjectBand(left, top, right, bottom, band)) return;
    if (!(band.XMax - band.XMin > 0) || !(band.YMax - band.YMin > 0) || width() == 0 || height() == 0) return;
    TViewWindow v = FitWorldWindow(TWorldWindow{band.XMin, band.XMax, band.YMin, band.YMax, Depth}, width(), height());
    ortho(ProjMatrix, v.XMin, v.XMax, v.YMin, v.YMax, -Depth, Depth);
    if (inFrame_) LoadProjection();
}

void TMyOpenGL::RestoreProjMatrix() {
    UpdateViewWindow();
    if (inFrame_) LoadProjection();
}

void TMyOpenGL::SetDrawMode(TDrawMode mode) {
    DrawMode = mode;
    setCursor(mode == dmMove ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

// ------------------------------------------------------------ picking

int TMyOpenGL::ChooseHit(const unsigned* buffer, int bufferSize, int hits, int currentId) {
    // Each record: name count, min and max depth, then the names.
    int names[kSelectBufferSize / 3 + 1];
    int n = 0;
    int records = hits < 0 ? INT_MAX : hits;
    long pos = 0;
    for (int r = 0; r < records && pos + 3 <= bufferSize; ++r) {
        long count = buffer[pos];
        if (pos + 3 + count > bufferSize) break;
        if (count > 0 && n < static_cast<int>(std::size(names))) names[n++] = static_cast<int>(buffer[pos + 2 + count]);
        pos += 3 + count;
    }
    if (n == 0) return 0;
    if (currentId == 0) return names[0];
    int last = -1;
    for (int k = 0; k < n; ++k)
        if (names[k] == currentId) last = k;
    if (last < 0 || n < 2) return names[0];
    return names[(last + 1) % n];
}

void TMyOpenGL::PickObject(int x, int y) {
    int hits = 0;
    if (isValid()) {
        makeCurrent();
        std::fill(std::begin(selectBuffer_), std::end(selectBuffer_), 0u);
        glSelectBuffer(kSelectBufferSize, selectBuffer_);
        glRenderMode(GL_SELECT);
        glInitNames();
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        picking_ = true;
        pickX_ = x;
        pickY_ = y;
        bool axis = DrawGlobalAxisOn;
        DrawGlobalAxisOn = false;
        // The hit test uses the visible (aspect-fitted) window, so the
        // object under the pointer is the one picked.
        RenderGuarded(kSelectMode);
        DrawGlobalAxisOn = axis;
        picking_ = false;
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        hits = glRenderMode(GL_RENDER);
        doneCurrent();
    }
    int id = ChooseHit(selectBuffer_, kSelectBufferSize, hits, CurrentObject ? CurrentObject->ObjectID : 0);
    CurrentObject = (id != 0 && FirstObject) ? FirstObject->GetObjectWithID(id) : nullptr;
}

// ------------------------------------------------------------ mouse

void TMyOpenGL::ShowRubberBand() {
    if (!rubberBand_) rubberBand_ = new QRubberBand(QRubberBand::Rectangle, this);
    rubberBand_->setGeometry(RubberBandRect.normalized());
    rubberBand_->show();
}

void TMyOpenGL::mousePressEvent(QMouseEvent* event) {
    QOpenGLWidget::mousePressEvent(event);
    QPoint p = event->position().toPoint();
    double wx, wy;
    WorldPoint(event->position().x(), event->position().y(), wx, wy);
    MouseDownX = static_cast<float>(wx);
    MouseDownY = static_cast<float>(wy);
    setFocus();
    if (event->button() == Qt::RightButton) {
        if (DrawMode == dmZoom) {
            DrawMode = dmSelect;
            setCursor(Qt::PointingHandCursor);
        } else {
            DrawMode = dmZoom;
            setCursor(Qt::ArrowCursor);
        }
    } else {
        setCursor(Qt::ArrowCursor);
    }
    update();
    if (event->button() == Qt::LeftButton && DrawMode == dmZoom && !RubberBandOn) {
        RubberBandOn = true;
        RubberBandRect.setCoords(p.x(), p.y(), p.x(), p.y());
        setCursor(Qt::CrossCursor);
        ShowRubberBand();
    }
    if (DrawMode == dmSelect) {
        setCursor(Qt::PointingHandCursor);
        PickObject(p.x(), p.y());
        DrawMode = dmMove;
    } else if (DrawMode == dmDelete) {
        PickObject(p.x(), p.y());
        DeleteCurrentObject();
    }
    update();
}

void TMyOpenGL::mouseMoveEvent(QMouseEvent* event) {
    QOpenGLWidget::mouseMoveEvent(event);
    double x, y;
    WorldPoint(event->position().x(), event->position().y(), x, y);
    SetText(QString::asprintf(" mouse at X: %f, Y: %1f", x, y));
    // The band follows the pointer whether or not an object is current.
    if (DrawMode == dmZoom && RubberBandOn) {
        QPoint p = event->position().toPoint();
        int l, t, r, b;
        RubberBandRect.getCoords(&l, &t, &r, &b);
        RubberBandRect.setCoords(l, t, p.x(), p.y());
        ShowRubberBand();
    }
    if (!CurrentObject && DrawMode != dmRotateView && DrawMode != dmPan) return;

    bool left = event->buttons() & Qt::LeftButton;
    double dx = x - MouseDownX, dy = y - MouseDownY;
    auto follow = [&] {
        MouseDownX = static_cast<float>(x);
        MouseDownY = static_cast<float>(y);
        update();
    };
    switch (DrawMode) {
        case dmMove:
            if (left) {
                setCursor(Qt::PointingHandCursor);
                update();
                CurrentObject->TransX += static_cast<float>(dx);
                CurrentObject->TransY += static_cast<float>(dy);
                follow();
            }
            break;
        case dmScale:
            if (left) {
                bool uniform = event->modifiers() & Qt::ShiftModifier;
                CurrentObject->AddScale(static_cast<float>(0.05 * dx), static_cast<float>(0.05 * (uniform ? dx : dy)),
                                        uniform);
                follow();
            }
            break;
        case dmRotate:
            if (left && DragExtent > 0) {
                CurrentObject->SetRotationAlongAxisZ(static_cast<float>(360 * dx / DragExtent));
                follow();
            }
            break;
        case dmRotateView:
            if (left && DragExtent > 0) {
                ViewRotY += static_cast<float>(360 * dx / DragExtent);
                ViewRotX -= static_cast<float>(360 * dy / DragExtent);
                follow();
            }
            break;
        case dmPan:
            if (left) {
                ViewTransX += static_cast<float>(dx);
                ViewTransY += static_cast<float>(dy);
                follow();
            } else if (event->buttons() & Qt::RightButton) {
                ViewTransZ = 1;
                follow();
            }
            break;
        default:
            break;
    }
}

void TMyOpenGL::mouseReleaseEvent(QMouseEvent* event) {
    QOpenGLWidget::mouseReleaseEvent(event);
    setCursor(DrawMode == dmSelect || DrawMode == dmMove ? Qt::PointingHandCursor : Qt::ArrowCursor);
    update();
    if (DrawMode == dmZoom && RubberBandOn && event->button() == Qt::LeftButton) {
        if (rubberBand_) rubberBand_->hide();
        int l, t, r, b;
        RubberBandRect.getCoords(&l, &t, &r, &b);
        if (l > r) std::swap(l, r);
        if (t > b) std::swap(t, b);
        if (r - l >= 2 && b - t >= 2) {
            Zoom(l, t, r, b);
            update();
        }
        RubberBandOn = false;
    }
}

void TMyOpenGL::wheelEvent(QWheelEvent* event) {
    QPoint p = event->position().toPoint();
    double x, y;
    ViewToGlobal(p.x(), p.y(), x, y);
    int turn = event->angleDelta().y();
    if (turn < 0) {
        setCursor(Qt::SizeAllCursor);
        int dx = static_cast<int>(width() * 0.3), dy = static_cast<int>(height() * 0.3);
        SetText(QString::asprintf("mouse  wheel down at X: %f, Y: %1f", x, y));
        if (!DraftOn) {
            Zoom(p.x() - dx, p.y() - dy, p.x() + dx, p.y() + dy);
            update();
        }
    } else if (turn > 0) {
        SetText(QString::asprintf("mouse  wheel up at X: %f, Y: %1f", x, y));
        if (!DraftOn) {
            RestoreToInit();
            update();
        }
    }
    event->accept();
}

void TMyOpenGL::enterEvent(QEnterEvent* event) {
    QOpenGLWidget::enterEvent(event);
    setFocus();
}

// ------------------------------------------------------------ overlay geometry
// Case schematics, global axis and colour legend are all sized from the
// visible window, so they keep their place on the screen whatever the zoom.

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
    float kUp, kDown;
    RampScales(maximum, minimum, mid, kUp, kDown);
    RampColor(v, mid, kUp, kDown, rgb);
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
    DrawGLText("Incident Shock Mach number =" + platform::FloatToQString(DraftMach), x0 - l / 2, m + 0.2 * l);
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
    DrawGLText(platform::FloatToQString(DraftAngle) + " degrees", b.Xc + 0.3 * (b.X1 - b.Xc),
               b.Yb + std::sin(b.T / 2) * Ra);
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

#include "controls/Shapes.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vorlantic {

// ---------------------------------------------------------------- TGLObject

void TGLObject::GetCenterCoords(float* xy) {
    xy[0] = 0;
    xy[1] = 0;
}

void TGLObject::GetMinCoords(float& x, float& y) { x = y = 0; }

void TGLObject::GetMaxCoords(float& x, float& y) { x = y = 0; }

TGLObject* TGLObject::CreateCopy() {
    TGLObject* copy = ConstructObject();
    CopyAppearanceTo(*copy);
    return copy;
}

void TGLObject::CopyAppearanceTo(TGLObject& copy) const {
    copy.ColorR = ColorR;
    copy.ColorG = ColorG;
    copy.ColorB = ColorB;
    copy.TransZ = TransZ;
    copy.RotZ = RotZ;
    copy.ScaleX = ScaleX;
    copy.ScaleY = ScaleY;
    copy.ScaleZ = ScaleZ;
}

TGLObject* TGLObject::AddObject(TGLObject* obj) {
    TGLObject* tail = this;
    while (tail->Next) tail = tail->Next;
    obj->ObjectID = tail->ObjectID + 1;
    tail->Next = obj;
    return obj;
}

void TGLObject::FreeLinkedObjects() {
    TGLObject* obj = Next;
    Next = nullptr;
    while (obj) {
        TGLObject* next = obj->Next;
        delete obj;
        obj = next;
    }
}

TGLObject* TGLObject::GetObjectWithID(int id) {
    for (TGLObject* obj = this; obj; obj = obj->Next)
        if (obj->ObjectID == id) return obj;
    return nullptr;
}

void TGLObject::SetColor(int color) {
    ColorR = (color & 0xFF) / 255.0f;
    ColorG = ((color >> 8) & 0xFF) / 255.0f;
    ColorB = ((color >> 16) & 0xFF) / 255.0f;
}

void TGLObject::SetOriginalXY(float x, float y) {
    TransX = x;
    TransY = y;
}

void TGLObject::GetCenterXY(float& x, float& y) const {
    x = TransX;
    y = TransY;
}

void TGLObject::SetRotationAlongAxisZ(float degrees) {
    RotZ += degrees;
    if (RotZ > 360) RotZ -= 360;
}

void TGLObject::AddScale(float dx, float dy, bool uniform) {
    ScaleX += dx;
    ScaleY += dy;
    ScaleZ = 1;
    if (uniform) ScaleY = ScaleX;
}

void TGLObject::SetScale(float x, float y, bool uniform) {
    ScaleX = x;
    ScaleY = uniform ? x : y;
    ScaleZ = 1;
}

void TGLObject::Restore() {
    TransX = TransY = TransZ = 0;
    ScaleX = ScaleY = ScaleZ = 1;
    RotZ = 0;
}

void TGLObject::StartDraw(unsigned mode) {
    glColor3f(ColorR, ColorG, ColorB);
    if (mode == kSelectMode) glPushName(ObjectID);
    glPushMatrix();
    glTranslatef(TransX, TransY, TransZ);
    if (RotZ != 0) glRotatef(RotZ, 0, 0, 1);
    glScalef(ScaleX, ScaleY, ScaleZ);
}

void TGLObject::EndDraw(unsigned mode) {
    glPopMatrix();
    if (mode == kSelectMode) glPopName();
}

namespace {

// An arrow from (x0, y0) to the tip (x1, y1) along one axis, with two head
// strokes back from the tip by `head` and `head` across.
void axisArrow(double x0, double y0, double x1, double y1, double head, bool alongX) {
    glVertex2d(x0, y0);
    glVertex2d(x1, y1);
    if (alongX) {
        glVertex2d(x1, y1);
        glVertex2d(x1 - head, y1 + head);
        glVertex2d(x1, y1);
        glVertex2d(x1 - head, y1 - head);
    } else {
        glVertex2d(x1, y1);
        glVertex2d(x1 + head, y1 - head);
        glVertex2d(x1, y1);
        glVertex2d(x1 - head, y1 - head);
    }
}

}  // namespace

void TGLObject::DrawLocalAxis(double lenX, double lenY, double head, double lineWidth) {
    glLineWidth(static_cast<float>(lineWidth));
    glColor3f(1, 0, 0);
    glBegin(GL_LINES);
    axisArrow(-lenX, 0, lenX, 0, head, true);
    axisArrow(0, -lenY, 0, lenY, head, false);
    glEnd();
    glLineWidth(1);
}

void TGLObject::DrawLocalAxis(float minX, float minY, float maxX, float maxY, float head, float lineWidth) {
    double cx = 0.5 * (minX + maxX), cy = 0.5 * (minY + maxY);
    double hx = 0.6 * ((maxX - minX) + head), hy = 0.6 * ((maxY - minY) + head);
    glLineWidth(lineWidth);
    glBegin(GL_LINES);
    glColor3f(1, 0, 0);
    axisArrow(cx - hx, cy, cx + hx, cy, head, true);
    glColor3f(0, 1, 0);
    axisArrow(cx, cy - hy, cx, cy + hy, head, false);
    glEnd();
    glLineWidth(1);
}

// -------------------------------------------------------- TGLQuadrilaterals

namespace {

// The quad through nodes n of (X, Y), grown by `grow` along both diagonals so
// that neighbouring quads overlap; vertex(node, x, y) emits each corner.
template <class Vertex>
void grownQuad(const double* X, const double* Y, const int n[4], double grow, const Vertex& vertex) {
    double d02x = grow * (X[n[0]] - X[n[2]]), d02y = grow * (Y[n[0]] - Y[n[2]]);
    double d13x = grow * (X[n[1]] - X[n[3]]), d13y = grow * (Y[n[1]] - Y[n[3]]);
    vertex(n[0], X[n[0]] + d02x, Y[n[0]] + d02y);
    vertex(n[1], X[n[1]] + d13x, Y[n[1]] + d13y);
    vertex(n[2], X[n[2]] - d02x, Y[n[2]] - d02y);
    vertex(n[3], X[n[3]] - d13x, Y[n[3]] - d13y);
}

}  // namespace

TGLQuadrilaterals::TGLQuadrilaterals(float x, float y) { SetOriginalXY(x, y); }

int TGLQuadrilaterals::CellNode(int c, int k) const {
    int node = CellNodes[c + k * CellStride] - 1;
#ifdef QELTA_CHECK_BOUNDS
    if (c < 0 || c >= CellStride || node < 0 || node >= NodeCount) {
        std::fprintf(stderr, "Vorlantic: node %d of cell %d is %d, outside 1..%d\n", k, c, node + 1, NodeCount);
        std::abort();
    }
#endif
    return node;
}

void TGLQuadrilaterals::setVariables(const double* x, const double* y, int nodeCount, const int* cellNodes,
                                     const double* u, const double* v, const double* values) {
    NodeX = x;
    NodeY = y;
    NodeU = u;
    NodeV = v;
    CellNodes = cellNodes;
    Values = values;
    NodeCount = nodeCount;
    if (!values || nodeCount <= 0) return;
    ValueMin = ValueMax = values[0];
    for (int i = 1; i < nodeCount; ++i) {
        ValueMin = std::min(ValueMin, values[i]);
        ValueMax = std::max(ValueMax, values[i]);
    }
}

void TGLQuadrilaterals::DetachFlowData() {
    NodeX = nullptr;
    NodeY = nullptr;
    CellNodes = nullptr;
    NodeCount = 0;
    CellStride = 0;
    CellCount = 0;
}

void TGLQuadrilaterals::GetMinCoords(float& x, float& y) {
    if (PhotoMode) {
        x = static_cast<float>(ImageX0);
        y = static_cast<float>(ImageY0);
    } else if (NodeX && NodeY && NodeCount > 0) {
        x = static_cast<float>(*std::min_element(NodeX, NodeX + NodeCount));
        y = static_cast<float>(*std::min_element(NodeY, NodeY + NodeCount));
    } else {
        x = y = 0;
    }
}

void TGLQuadrilaterals::GetMaxCoords(float& x, float& y) {
    if (PhotoMode) {
        x = static_cast<float>(ImageX1);
        y = static_cast<float>(ImageY1);
    } else if (NodeX && NodeY && NodeCount > 0) {
        x = static_cast<float>(*std::max_element(NodeX, NodeX + NodeCount));
        y = static_cast<float>(*std::max_element(NodeY, NodeY + NodeCount));
    } else {
        x = y = 1;
    }
}

void TGLQuadrilaterals::GetCenterCoords(float* xy) {
    float x0, y0, x1, y1;
    GetMinCoords(x0, y0);
    GetMaxCoords(x1, y1);
    xy[0] = 0.5f * (x0 + x1);
    xy[1] = 0.5f * (y0 + y1);
}

TGLObject* TGLQuadrilaterals::ConstructObject() { return new TGLQuadrilaterals(TransX, TransY); }

TGLObject* TGLQuadrilaterals::CreateCopy() {
    auto* copy = static_cast<TGLQuadrilaterals*>(TGLObject::CreateCopy());
    copy->NodeCount = NodeCount;
    copy->CellStride = CellStride;
    copy->CellCount = CellCount;
    copy->ValueMin = ValueMin;
    copy->ValueMax = ValueMax;
    copy->ValueMid = ValueMid;
    copy->ShowGrid = ShowGrid;
    copy->ShowContour = ShowContour;
    copy->ShowVector = ShowVector;
    copy->ShowContourLines = ShowContourLines;
    copy->ContourLineCount = ContourLineCount;
    copy->VectorScale = VectorScale;
    copy->PhotoMode = PhotoMode;
    copy->ImageRGB = ImageRGB;
    copy->ContourSeries = ContourSeries;
    auto own = [this](const double* from, std::vector<double>& store) -> const double* {
        if (!from) return nullptr;
        store.assign(from, from + NodeCount);
        return store.data();
    };
    copy->NodeX = own(NodeX, copy->copyX_);
    copy->NodeY = own(NodeY, copy->copyY_);
    copy->NodeU = own(NodeU, copy->copyU_);
    copy->NodeV = own(NodeV, copy->copyV_);
    copy->Values = own(Values, copy->copyValues_);
    if (CellNodes) {
        copy->copyCells_.assign(CellNodes, CellNodes + 4 * static_cast<long>(CellStride));
        copy->CellNodes = copy->copyCells_.data();
    }
    return copy;
}

void TGLQuadrilaterals::Draw(unsigned mode) {
    StartDraw(mode);
    if (NodeX && !PhotoMode) {
        if (ShowContour) DrawContour(Values);
        if (ShowGrid) DrawGrid();
        if (ShowVector) DrawVector();
        if (ShowContourLines) DrawContourLines(Values);
    }
    if (PhotoMode && ImageGridX && ImageGridY && Intensity && Image) {
        DrawGrayScale();
        if (ShowGrid) DrawGrid();
    }
    EndDraw(mode);
}

void TGLQuadrilaterals::DrawContour(const double* values) {
    if (!values || !NodeX || !NodeY || !CellNodes) return;
    double kUp, kDown, rgb[3];
    ColorScales(kUp, kDown);
    // 1 % along both diagonals, the factor in single precision.
    const double grow = 0.01f;
    auto vertex = [&](int n, double x, double y) {
        getColor(values[n], kUp, kDown, rgb);
        glColor3dv(rgb);
        glVertex2d(x + OffsetX, y + OffsetY);
    };
    glBegin(GL_QUADS);
    for (int c = 0; c < CellCount; ++c) {
        const int n[4] = {CellNode(c, 0), CellNode(c, 1), CellNode(c, 2), CellNode(c, 3)};
        grownQuad(NodeX, NodeY, n, grow, vertex);
    }
    glEnd();
}

void TGLQuadrilaterals::DrawGrid() {
    if (!NodeX || !NodeY || !CellNodes) return;
    glColor3f(0, 0, 0);
    // The closed loop of each cell as its four edges.
    glBegin(GL_LINES);
    for (int c = 0; c < CellCount; ++c) {
        int n[4] = {CellNode(c, 0), CellNode(c, 1), CellNode(c, 2), CellNode(c, 3)};
        for (int k = 0; k < 4; ++k) {
            int a = n[k], b = n[(k + 1) % 4];
            glVertex2d(NodeX[a] + OffsetX, NodeY[a] + OffsetY);
            glVertex2d(NodeX[b] + OffsetX, NodeY[b] + OffsetY);
        }
    }
    glEnd();
}

void TGLQuadrilaterals::DrawVector() {
    if (!NodeX || !NodeY || !NodeU || !NodeV || !CellNodes) return;
    glColor3f(0, 1, 0);
    auto line = [this](double x0, double y0, double x1, double y1) {
        glVertex2d(x0 + OffsetX, y0 + OffsetY);
        glVertex2d(x1 + OffsetX, y1 + OffsetY);
    };
    glBegin(GL_LINES);
    for (int c = 0; c < CellCount; ++c) {
        for (int k = 0; k < 4; ++k) {
            int n = CellNode(c, k);
            // Shaft (a, b) = VectorScale (u, v); head strokes to 0.8 (a, b) +- 0.3 (b, -a).
            double x = NodeX[n], y = NodeY[n];
            double a = NodeU[n] * VectorScale, b = NodeV[n] * VectorScale;
            line(x, y, x + a, y + b);
            line(x + a, y + b, x + 0.8 * a + 0.3 * b, y + 0.8 * b - 0.3 * a);
            line(x + a, y + b, x + 0.8 * a - 0.3 * b, y + 0.8 * b + 0.3 * a);
        }
    }
    glEnd();
}

TLineCut TGLQuadrilaterals::LineCut(double xa, double ya, double fa, double xb, double yb, double fb,
                                    double level) {
    double da = fa - level, db = fb - level;
    TLineCut cut;
    // da db <= 0 by signs, so that tiny differences cannot underflow to 0.
    bool opposite = (da <= 0 && db >= 0) || (da >= 0 && db <= 0);
    if (opposite && da != 0) {
        double t = std::fabs(da) / (std::fabs(da) + std::fabs(db));
        cut.X = xa + t * (xb - xa);
        cut.Y = ya + t * (yb - ya);
        cut.Cut = true;
    }
    return cut;
}

void TGLQuadrilaterals::AddLine(const TLineCut& a, const TLineCut& b, const TLineCut& c, int level) {
    if (!a.Cut && b.Cut && c.Cut) ContourSeries[level].Lines.push_back(TLine{b.X, b.Y, c.X, c.Y});
}

void TGLQuadrilaterals::CandidateLevels(double fmin, double fmax, int& first, int& last) const {
    int n = static_cast<int>(ContourSeries.size());
    first = 0;
    last = n - 1;
    double step = (ValueMax - ValueMin) / (n - 1);
    if (step > 0 && std::isfinite(step)) {
        first = static_cast<int>(std::clamp(std::floor((fmin - ValueMin) / step), 0.0, n - 1.0));
        last = static_cast<int>(std::clamp(std::ceil((fmax - ValueMin) / step), 0.0, n - 1.0));
    }
    // Settle on the levels themselves: exactly those in [fmin, fmax].
    while (first > 0 && ContourSeries[first - 1].Level >= fmin) --first;
    while (first < n && ContourSeries[first].Level < fmin) ++first;
    while (last < n - 1 && ContourSeries[last + 1].Level <= fmax) ++last;
    while (last >= 0 && ContourSeries[last].Level > fmax) --last;
}

void TGLQuadrilaterals::CutTriangle(int a, int b, int c, const double* values, int firstLevel, int lastLevel) {
    double xa = NodeX[a], ya = NodeY[a], fa = values[a];
    double xb = NodeX[b], yb = NodeY[b], fb = values[b];
    double xc = NodeX[c], yc = NodeY[c], fc = values[c];
    for (int j = firstLevel; j <= lastLevel; ++j) {
        double level = ContourSeries[j].Level;
        TLineCut e1 = LineCut(xa, ya, fa, xb, yb, fb, level);
        TLineCut e2 = LineCut(xb, yb, fb, xc, yc, fc, level);
        TLineCut e3 = LineCut(xc, yc, fc, xa, ya, fa, level);
        AddLine(e1, e2, e3, j);
        AddLine(e2, e3, e1, j);
        AddLine(e3, e1, e2, j);
    }
}

void TGLQuadrilaterals::ComputeContourLines(const double* values) {
    int n = ContourLevels();
    // The series keep their storage from one drawing to the next.
    ContourSeries.resize(n);
    for (int j = 0; j < n; ++j) {
        ContourSeries[j].Level = ValueMin + j * (ValueMax - ValueMin) / (n - 1);
        ContourSeries[j].Lines.clear();
    }
    if (!values || !NodeX || !NodeY || !CellNodes) return;
    for (int c = 0; c < CellCount; ++c) {
        int p[4] = {CellNode(c, 0), CellNode(c, 1), CellNode(c, 2), CellNode(c, 3)};
        const int tri[2][3] = {{p[0], p[1], p[2]}, {p[0], p[2], p[3]}};
        for (const auto& t : tri) {
            double f0 = values[t[0]], f1 = values[t[1]], f2 = values[t[2]];
            double fmin = std::min({f0, f1, f2}), fmax = std::max({f0, f1, f2});
            // A value that is not a number cuts no edge it belongs to.
            if (std::isnan(f0) || std::isnan(f1) || std::isnan(f2)) continue;
            int first, last;
            CandidateLevels(fmin, fmax, first, last);
            if (first <= last) CutTriangle(t[0], t[1], t[2], values, first, last);
        }
    }
}

void TGLQuadrilaterals::DrawContourLines(const double* values) {
    double kUp, kDown, rgb[3];
    ColorScales(kUp, kDown);
    ComputeContourLines(values);
    for (const TContourSerie& serie : ContourSeries) {
        getColor(serie.Level, kUp, kDown, rgb);
        glColor3dv(rgb);
        glBegin(GL_LINES);
        for (const TLine& l : serie.Lines) {
            glVertex2d(l.X1 + OffsetX, l.Y1 + OffsetY);
            glVertex2d(l.X2 + OffsetX, l.Y2 + OffsetY);
        }
        glEnd();
    }
}

void TGLQuadrilaterals::DrawGrayScale() {
    if (!Image || ImageNx <= 0 || ImageNy <= 0) return;
    double dx = (ImageX1 - ImageX0) / ImageNx, dy = (ImageY1 - ImageY0) / ImageNy;
    auto corner = [this](long node, double x, double y) {
        if (ImageRGB)
            glColor3d(Image[3 * node], Image[3 * node + 1], Image[3 * node + 2]);
        else
            glColor3d(Image[node], Image[node], Image[node]);
        glVertex2d(x + OffsetX, y + OffsetY);
    };
    glBegin(GL_QUADS);
    for (int j = 0; j < ImageNy; ++j) {
        double y0 = ImageY0 + j * dy;
        for (int i = 0; i < ImageNx; ++i) {
            long n = static_cast<long>(ImageNx + 1) * j + i;
            double x0 = ImageX0 + i * dx;
            corner(n, x0, y0);
            corner(n + 1, x0 + dx, y0);
            corner(n + ImageNx + 2, x0 + dx, y0 + dy);
            corner(n + ImageNx + 1, x0, y0 + dy);
        }
    }
    glEnd();
}

void TGLQuadrilaterals::DrawGrayScaleV1() {
    if (!ImageGridX || !ImageGridY || !Intensity || !CellNodes) return;
    const double grow = 0.0001;
    auto vertex = [this](int n, double x, double y) {
        glColor4d(Intensity[n], Intensity[n], Intensity[n], 0.5);
        glVertex2d(x + OffsetX, y + OffsetY);
    };
    glBegin(GL_QUADS);
    for (int c = 0; c < CellCount; ++c) {
        const int n[4] = {CellNode(c, 0), CellNode(c, 1), CellNode(c, 2), CellNode(c, 3)};
        grownQuad(ImageGridX, ImageGridY, n, grow, vertex);
    }
    glEnd();
}

}  // namespace vorlantic

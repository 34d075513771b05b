// Scene objects of the OpenGL view: the linked list of drawable objects and
// the flow plot on the unstructured quadrilateral grid.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

namespace vorlantic {

// OpenGL render modes of a drawing pass (GL_RENDER, GL_SELECT).
constexpr unsigned kRenderMode = 0x1C00;
constexpr unsigned kSelectMode = 0x1C02;

// The most contour levels the plot draws; a larger count draws this many.
// A screen cannot show more levels apart, and each level has its series.
constexpr int kMaxContourLevels = 2001;

// A drawable node of the view's object list: colour, selection name and a
// model transform (translation, rotation about z, scale). The list belongs to
// the view that holds its head; an object never frees its neighbours.
class TGLObject {
public:
    TGLObject() = default;
    TGLObject(const TGLObject&) = delete;
    TGLObject& operator=(const TGLObject&) = delete;
    virtual ~TGLObject() = default;

    // mode: the render mode of the pass (kRenderMode or kSelectMode).
    virtual void Draw(unsigned mode) = 0;
    virtual void DrawBoundary() {}
    virtual void SetSubdivisions(int) {}
    // xy[0], xy[1]: the object's centre.
    virtual void GetCenterCoords(float* xy);
    virtual void GetMinCoords(float& x, float& y);
    virtual void GetMaxCoords(float& x, float& y);
    // A new object of the same class with this one's colour and transform.
    virtual TGLObject* CreateCopy();
    // A new object of the same class at this object's x and y translation.
    virtual TGLObject* ConstructObject() = 0;
    virtual const char* GetName() const { return "TGLObject"; }

    // Appends obj at the tail with the tail's id + 1; returns obj.
    TGLObject* AddObject(TGLObject* obj);
    // Deletes every object after this one; this one then ends the list.
    void FreeLinkedObjects();
    TGLObject* GetNext() const { return Next; }
    void SetNext(TGLObject* next) { Next = next; }
    int GetObjectID() const { return ObjectID; }
    // From this object along the list, the first with that id; null if none.
    TGLObject* GetObjectWithID(int id);

    // From a colour word 0x00BBGGRR.
    void SetColor(int color);
    void SetOriginalXY(float x, float y);
    void GetCenterXY(float& x, float& y) const;
    // Adds to the rotation; a sum above 360 loses one turn.
    void SetRotationAlongAxisZ(float degrees);
    void AddScale(float dx, float dy, bool uniform);
    void SetScale(float x, float y, bool uniform);
    void Restore();
    void SetSelected(bool selected) { Selected = selected; }

    // Colour, selection name (in kSelectMode) and model transform on.
    void StartDraw(unsigned mode);
    void EndDraw(unsigned mode);
    void DrawLocalAxis(double lenX, double lenY, double head, double lineWidth);
    void DrawLocalAxis(float minX, float minY, float maxX, float maxY, float head, float lineWidth);

    TGLObject* Next = nullptr;
    float ColorR = 0, ColorB = 0, ColorG = 0;
    int ObjectID = 1;
    float TransX = 0, TransY = 0, TransZ = 0;
    float RotZ = 0;
    float ScaleX = 1, ScaleY = 1, ScaleZ = 1;
    bool Selected = false;
    float OffsetX = 0, OffsetY = 0;

protected:
    // The colour, the z translation, the rotation and the scales into copy.
    void CopyAppearanceTo(TGLObject& copy) const;
};

// The colour map of the plot and of its legend, in the precision T:
// kUp = 1 / max(|max - mid|, 0.1 |max - min| + 1e-20), kDown likewise with
// |mid - min|.
template <class T>
void RampScales(T maximum, T minimum, T mid, T& kUp, T& kDown) {
    const T floor = T(0.1) * std::fabs(maximum - minimum) + T(1e-20);
    kUp = 1 / std::max(std::fabs(maximum - mid), floor);
    kDown = 1 / std::max(std::fabs(mid - minimum), floor);
}

// Above the reference: red = (value - mid) kUp; below: blue = (mid - value)
// kDown; green = 1 - red - blue (not clamped).
template <class T>
void RampColor(T value, T mid, T kUp, T kDown, T rgb[3]) {
    T red = 0, blue = 0;
    if (value > mid)
        red = (value - mid) * kUp;
    else
        blue = (mid - value) * kDown;
    rgb[0] = red;
    rgb[1] = 1 - red - blue;
    rgb[2] = blue;
}

// One contour-line segment.
struct TLine {
    double X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
};

// The segments of one contour level.
struct TContourSerie {
    double Level = 0;
    std::vector<TLine> Lines;
};

// Where a triangle edge meets a level.
struct TLineCut {
    double X = 0, Y = 0;
    bool Cut = false;
};

// The flow plot: colour contours, contour lines, velocity arrows and grid
// lines of node values on quadrilateral cells, or the simulated photograph.
// The node arrays, the cell table and the picture are borrowed.
class TGLQuadrilaterals : public TGLObject {
public:
    TGLQuadrilaterals(float x, float y);

    void Draw(unsigned mode) override;
    void GetCenterCoords(float* xy) override;
    void GetMinCoords(float& x, float& y) override;
    void GetMaxCoords(float& x, float& y) override;
    TGLObject* CreateCopy() override;
    TGLObject* ConstructObject() override;

    // Points the plot at the node arrays; the value range is taken from the
    // first nodeCount values (and left as it was when there are none).
    void setVariables(const double* x, const double* y, int nodeCount, const int* cellNodes, const double* u,
                      const double* v, const double* values);
    // Lets go of the borrowed node arrays and the cell table (the picture
    // stays): nothing of the flow is drawn until setVariables.
    void DetachFlowData();

    // The colour map's scales of the value range (RampScales).
    void ColorScales(double& kUp, double& kDown) const { RampScales(ValueMax, ValueMin, ValueMid, kUp, kDown); }
    // The colour of a value about ValueMid (RampColor).
    void getColor(double value, double kUp, double kDown, double rgb[3]) const {
        RampColor(value, ValueMid, kUp, kDown, rgb);
    }

    // The point where the level cuts the edge a -> b: t = |da| / (|da| +
    // |db|) with da = fa - level, db = fb - level, when da db <= 0, da != 0.
    static TLineCut LineCut(double xa, double ya, double fa, double xb, double yb, double fb, double level);
    // The segment b -> c to the series of that level when a is not cut and
    // b and c are.
    void AddLine(const TLineCut& a, const TLineCut& b, const TLineCut& c, int level);
    // Number of contour levels used: ContourLineCount within 2..kMaxContourLevels.
    int ContourLevels() const { return std::clamp(ContourLineCount, 2, kMaxContourLevels); }
    // Rebuilds ContourSeries from values: equally spaced levels from
    // ValueMin to ValueMax, each cell cut as the triangles (0, 1, 2) and
    // (0, 2, 3).
    void ComputeContourLines(const double* values);

    void DrawContour(const double* values);
    void DrawGrid();
    void DrawVector();
    void DrawContourLines(const double* values);
    void DrawGrayScale();
    void DrawGrayScaleV1();

    int NodeCount = 0;
    int CellStride = 0;
    int CellCount = 0;
    const double* NodeX = nullptr;
    const double* NodeY = nullptr;
    const double* NodeU = nullptr;
    const double* NodeV = nullptr;
    const double* Values = nullptr;
    double ValueMin = 0, ValueMax = 1, ValueMid = 0;
    // Node k (0..3) of cell c (from 0) at c + k CellStride; numbers from 1.
    const int* CellNodes = nullptr;
    bool ShowGrid = false, ShowContour = false, ShowVector = false, ShowContourLines = false;
    int ContourLineCount = 4;
    double VectorScale = 1;
    std::vector<TContourSerie> ContourSeries;
    bool PhotoMode = false;
    const double* Intensity = nullptr;
    const double* ImageGridX = nullptr;
    const double* ImageGridY = nullptr;
    // (ImageNx + 1)(ImageNy + 1) node values, row by row from the lower left;
    // three per node when ImageRGB is set.
    const double* Image = nullptr;
    double ImageX0 = 0, ImageY0 = 0, ImageX1 = 0, ImageY1 = 0;
    int ImageNx = 0, ImageNy = 0;
    int ImageRGB = 0;

private:
    // Array index (from 0) of node k of cell c.
    int CellNode(int c, int k) const;
    void CutTriangle(int a, int b, int c, const double* values, int firstLevel, int lastLevel);
    // The levels that may cut values in [fmin, fmax].
    void CandidateLevels(double fmin, double fmax, int& first, int& last) const;

    // Storage of a deep copy (CreateCopy); empty for the plot that borrows.
    std::vector<double> copyX_, copyY_, copyU_, copyV_, copyValues_;
    std::vector<int> copyCells_;
};

}  // namespace vorlantic

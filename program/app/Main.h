// The main window: the case buttons and parameter rows on the left panel, the
// run buttons and the run timer that drives the library step by step, the
// OpenGL plot of the flow or of its simulated photograph, the progress gauge,
// the optical-bench editor in the bottom panel and the Tecplot export.
//
// Every array that crosses to the library is allocated and freed here; the
// library fills it and keeps no pointer. The class is defined across files:
// MainForm.cpp builds the window and connects its controls, each panel's
// handlers have a file of their own (see the sections below), and
// MainLibrary.cpp is the one place that calls the library.
#pragma once

#include <QComboBox>
#include <QMainWindow>
#include <QString>

#include <array>
#include <memory>
#include <set>
#include <string>

#include "app/BenchCanvas.h"
#include "platform/Dialogs.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QSlider;
class QSplitter;
class QTabWidget;
class QTimer;
class QToolBar;
class QToolButton;

namespace vorlantic {

class BaseShape;
class CLanguage;
class ShapeManeger;
class TCutoff;
class TFilm;
class TGLQuadrilaterals;
class TLense;
class TLight;
class TMyOpenGL;
class TMyProgressBar;
class TSection;
class TValueListEditor;

// An image control showing the bench canvas; it reports mouse presses, moves
// and releases with the client pixel and the button.
class TImage : public QWidget {
    Q_OBJECT

public:
    explicit TImage(QWidget* parent = nullptr);

    // The picture drawn; its size follows SetSize, not the control's.
    BenchCanvas Canvas;

signals:
    void MouseDown(Qt::MouseButton button, int x, int y);
    void MouseMove(Qt::MouseButtons buttons, int x, int y);
    void MouseUp(Qt::MouseButton button, int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

class TfrmMain : public QMainWindow {
    Q_OBJECT

public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // ---- components, as designed
    // Tool-bar strip and its tool bar.
    QWidget* ControlBar1 = nullptr;
    QToolBar* ToolBar4 = nullptr;
    QToolButton* tbRun1 = nullptr;
    QToolButton* tbPause = nullptr;
    QToolButton* StepbyStep = nullptr;
    QToolButton* StopComputation = nullptr;
    QToolButton* tbCopy1 = nullptr;
    QToolButton* sbLegend = nullptr;
    QToolButton* sbGrayscale = nullptr;
    QToolButton* tbViewSpecifications = nullptr;
    QToolButton* tbViewModels = nullptr;
    QToolButton* tbObjProperty = nullptr;
    QToolButton* tbLeft = nullptr;
    QToolButton* tbRight = nullptr;
    QToolButton* tbUp = nullptr;
    QToolButton* tbDown = nullptr;
    QToolButton* tbZoomIn = nullptr;
    QToolButton* tbZoomOut = nullptr;
    QToolButton* tbRestore = nullptr;
    QToolButton* tbAbout1 = nullptr;

    // Main menu.
    QMenu* File1 = nullptr;
    QAction* Save1 = nullptr;
    QMenu* Language1 = nullptr;
    QAction* Lang0 = nullptr;
    QAction* Lang1 = nullptr;
    QAction* Lang2 = nullptr;
    QAction* FileExit1 = nullptr;
    QMenu* Edit1 = nullptr;
    QAction* mnuCopyPicture = nullptr;
    QAction* ObjectProperties1 = nullptr;
    QAction* mnuContours1 = nullptr;
    QMenu* View1 = nullptr;
    QAction* ViewSpecifications = nullptr;
    QAction* ViewOpticalModel1 = nullptr;
    QMenu* Run1 = nullptr;
    QAction* mnuGoNow1 = nullptr;
    QAction* mnuPause1 = nullptr;
    QMenu* Watch1 = nullptr;
    QAction* Imageonleftwindow1 = nullptr;
    QAction* Imageonrightwindow1 = nullptr;
    QAction* Imageonrecordingplane1 = nullptr;
    QMenu* Option1 = nullptr;
    QAction* Includeflowperturbations1 = nullptr;
    QAction* colororgrayscale1 = nullptr;
    QAction* dofirstorderraytracing1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* HelpAbout1 = nullptr;
    // Attached to no control.
    QMenu* PopupMenu1 = nullptr;
    QAction* Property1 = nullptr;

    // Left panel and its splitter; the splitter between plot and bench panel.
    QSplitter* Splitter2 = nullptr;
    QSplitter* SplitterBottom = nullptr;
    QWidget* PanelLeft = nullptr;
    QToolButton* sbWedge = nullptr;
    QToolButton* sbCone = nullptr;
    QToolButton* sbSphere = nullptr;
    QToolButton* sbCylinder = nullptr;
    QToolButton* sbCylindricalexplosion = nullptr;
    QToolButton* sbNACA0012 = nullptr;
    QToolButton* sbMore = nullptr;
    QLabel* Label1 = nullptr;
    TValueListEditor* ValList = nullptr;
    TValueListEditor* ValueList2 = nullptr;
    QWidget* PanelSpeed = nullptr;
    QLabel* lblLowest = nullptr;
    QLabel* lblHighest = nullptr;
    QLabel* lblResolution = nullptr;
    QLabel* lblFastest = nullptr;
    QLabel* lblSlowest = nullptr;
    QLabel* lblSpeed = nullptr;
    QSlider* TrackBar1 = nullptr;
    TMyProgressBar* MyProgressBar1 = nullptr;
    QGroupBox* grpPlot = nullptr;
    QCheckBox* chkContour = nullptr;
    QCheckBox* chkContourLines = nullptr;
    QCheckBox* chkVector = nullptr;
    QCheckBox* chkMesh = nullptr;

    TMyOpenGL* MyOpenGL1 = nullptr;

    // Bench panel: one page "Optical Model".
    QWidget* PanelBottom = nullptr;
    QTabWidget* PageOpticalModel = nullptr;
    QWidget* TabSheetModel = nullptr;
    QComboBox* cbIlluminatingUnit = nullptr;
    QComboBox* cbRecordingUnit = nullptr;
    QPushButton* btnOK = nullptr;
    QLabel* lblModelAndFlow = nullptr;
    QWidget* PanelModel = nullptr;
    TImage* ImageModel = nullptr;

    QTimer* Timer1 = nullptr;
    QTimer* TimerSection = nullptr;
    platform::TSaveDialog SaveDialog1;

    // ---- fields, in declaration order
    std::unique_ptr<ShapeManeger> FShapeManeger;
    std::unique_ptr<TLight> FLight;
    std::unique_ptr<TLense> FFirstLense;
    std::unique_ptr<TLense> FRecordingLense;
    std::unique_ptr<TFilm> FFilm;
    std::unique_ptr<TCutoff> FCutoff;
    std::unique_ptr<TSection> FSection;
    int FStepCount = 0;
    int FDrawInterval = 0;
    int FDrawIntervalBase = 0;
    int FCaseId = 0;
    std::unique_ptr<double[]> FRealPar;
    double FProgress = 0;
    std::unique_ptr<int[]> FIntPar;
    std::unique_ptr<double[]> FNodeX, FNodeY, FNodeR, FNodeP, FNodeUx, FNodeUy;
    std::unique_ptr<double[]> FPhotoImage;
    int FNodeCount = 0;
    // Node k (0..3) of cell c (from 0) at c + k FCapacity; numbers from 1.
    std::unique_ptr<int[]> FCellNodes;
    int FCapacity = 0;
    int FCellCount = 0;
    int FContourLevels = 0;
    int FContourVariable = 0;
    int FPhotoNodeCount = 0, FPhotoCellCount = 0;
    std::unique_ptr<int[]> FPhotoCellNodes;
    double FXMin = 0, FXMax = 0, FYMin = 0, FYMax = 0;
    double FRMax = 0, FRMin = 0, FPMax = 0, FPMin = 0, FUxMin = 0, FUxMax = 0, FUyMin = 0, FUyMax = 0;
    double FMinEdge = 0;
    std::unique_ptr<double[]> FRayResult;
    std::unique_ptr<double[]> FOpticsRealPar;
    std::unique_ptr<double[]> FElementPar;
    std::unique_ptr<double[]> FRayX, FRayY;
    std::unique_ptr<int[]> FOpticsIntPar;
    std::unique_ptr<int[]> FElementCode;
    int FMaxPar = 0, FMaxElements = 0;
    int FElementCount = 0;
    int FMaxRays = 0, FMaxRaySets = 0;
    int FRaySetCount = 0;
    int FPhotoWidth = 0, FPhotoHeight = 0;
    double FPhotoX0 = 0, FPhotoY0 = 0, FPhotoX1 = 0, FPhotoY1 = 0;
    double FMidValue[4] = {};
    bool FIncludeFlow = false;
    bool FRestrictedUI = false;
    bool FStepMode = false;
    std::unique_ptr<CLanguage> FLanguage;
    QString FCaseText;
    std::array<QAction*, 3> FLangItems = {};
    TGLQuadrilaterals* FPlot = nullptr;
    double FModelWidth = 0, FModelHeight = 0, FModelY0 = 0, FModelX0 = 0;
    bool FPhotoMode = false;
    bool FShowLegend = false;
    std::unique_ptr<double[]> FPhotoX, FPhotoY, FPhotoValue;
    std::unique_ptr<int[]> FHangNodes;
    int FHangCount = 0;
    QString FProgramName;
    double FAngle = 0, FMach = 0, FGamma = 0;

    // The text of key in the current language.
    QString Text(const char* key) const;

    // ---- start-up and closing (MainStartup.cpp), layout (MainLayout.cpp)
    void FormCreate();
    void FormClose();
    void FileExit1Click();
    void PanelLeftResize();
    void ViewSpecificationsClick();
    void ViewOpticalModel1Click();

    // ---- case selection and parameter checks (MainCases.cpp)
    void sbWedgeClick();
    void sbConeClick();
    void sbSphereClick();
    void sbCylinderClick();
    void sbCylindricalexplosionClick();
    void sbNACA0012Click();
    void sbMoreClick();
    void allspeedbuttonup();
    void allspeedbuttoninvisible();
    void ValListClick();
    void ValListKeyDown(int key);
    void ValListEditButtonClick();
    void ValueList2KeyDown(int key);
    void ParameterChanged();
    void CheckParameters();
    // A value still being typed into a parameter row is stored and checked
    // (ParameterChanged), as when its editor closes.
    void CommitParameterEdit();

    // ---- run control (MainRun.cpp)
    // The parameter blocks from the panel and a new run of the library;
    // false when the library stopped.
    bool PreProcessingforRun1();
    void tbRun1Click();
    void tbPauseClick();
    void StepbyStepClick();
    void StopComputationClick();
    void Timer1Timer();
    // Ends the run where it is, before its end: no more ticks, the force
    // history closed, the gauge back at its start; the next Start or Step
    // sets up a new run.
    void EndRun();
    // A run is set up and has not ended: running, paused or stepping.
    bool FRunHeld = false;
    // The panel shows the case and the values the node values were computed
    // from (the blocks of the last run).
    bool PanelShowsRunCase() const;
    // A case button or a parameter edit of caseId while a run is held: true
    // when they leave the run's case and values as they are (the run goes
    // on, nothing changes); otherwise the run ends first and false.
    bool RunKeepsItsCase(int caseId);

    // ---- the link to the library (MainLibrary.cpp): every call of an entry
    // point, and what a stop of the library shows
    enum class LibraryCall { Run, NodeValues, Photograph, Schematic };
    // After an entry-point call: true when it ran to its end. After a stop,
    // the library's message in a message box; a stop of a run call, the node
    // values or the photograph ends the run first, and the last two let the
    // plot go of the arrays the library left half filled. A schematic that
    // stops again with the same message shows no second box.
    bool LibraryAnswered(LibraryCall call);
    // initial_optics and the bench's capacities; close_optics.
    void OpenOptics();
    void CloseOptics();
    // initialize_qelta with FRealPar and FIntPar (the node arrays made at the
    // first run); step into FProgress; close_recording_file.
    bool StartLibraryRun();
    bool StepLibraryRun();
    void CloseRecording();
    // OPTICS_SHADOWGRAPH_A0 with the bench's tables into the schematic's rays.
    void TraceSchematic();
    QString FSchematicStop;  // the message of the schematic's last stop

    // ---- plot and photograph display (MainPlot.cpp)
    void DrawExecute();
    // The view fitted to the flow or to the photograph's rays; false when the
    // photograph stopped.
    bool FitView();
    void ioparainput();
    void chkMeshClick();
    void chkVectorClick();
    void chkContourClick();
    void chkContourLinesClick();
    void mnuContours1Click();
    void sbLegendClick();
    void tbLeftClick();
    void tbRightClick();
    void tbUpClick();
    void tbDownClick();
    void tbZoomInClick();
    void tbZoomOutClick();
    void tbRestoreClick();
    void tbCopy1Click();
    void tbAbout1Click();
    void sbGrayscaleClick();
    void WatchDefault();
    void WatchNoCheck();
    void Imageonleftwindow1Click();
    void Imageonrightwindow1Click();
    void Imageonrecordingplane1Click();
    void Includeflowperturbations1Click();
    void colororgrayscale1Click();
    void dofirstorderraytracing1Click();

    // ---- languages (MainLanguage.cpp)
    void ApplyLanguage();
    void Lang0Click();
    void Lang1Click();
    void Lang2Click();

    // ---- Tecplot export (MainExport.cpp)
    void Save1Click();
    // Writes the node values of the last fetch; false when the file cannot
    // be opened or written.
    bool WriteTecplotFile(const QString& fileName) const;

    // Bench editor (MainBench.cpp)
    void btnOKClick();
    void ImageModelMouseDown(Qt::MouseButton button, int x, int y);
    void ImageModelMouseMove(Qt::MouseButtons buttons, int x, int y);
    void ImageModelMouseUp(Qt::MouseButton button, int x, int y);
    void TabSheetModelResize();
    void TimerSectionTimer();
    void ObjectProperties1Click();
    void DrawModel();
    void PlaceShape(BaseShape* shape);
    void PlaceShapes();
    void ShapeToWorld(BaseShape* shape);
    void WorldToImage(double x, double y, double& px, double& py) const;
    void ImageToWorld(double px, double py, double& x, double& y) const;
    void TraceRays();
    void DrawRays();
    // Writes the bench's elements into FElementPar and FElementCode, one row
    // of FMaxPar entries per element in list order; returns the count.
    int FlattenShapes();
    // Index of the next test-section picture (0, 1, 2).
    int FSectionPicture = 0;
    // A picture error is being shown; later ticks show none until it is closed.
    bool FSectionErrorShown = false;
    // The test-section pictures reported missing or broken in this session.
    std::set<std::string> FSectionPicturesReported;
    // End of the bench editor

signals:
    // The window has closed (FormClose has run).
    void FormClosed();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Construction (MainForm.cpp).
    void CreateComponents();
    void CreateMenus();
    void CreateToolBar();
    void CreateLeftPanel();
    void CreateBenchPanel();
    void ConnectHandlers();
    // A case button's common steps: the case id and the optics flag (-1:
    // unchanged), the caption, the list shown with its keys, the buttons.
    void SelectCase(QToolButton* button, int caseId, int axisFlag, const QString& suffix, TValueListEditor* list,
                    std::initializer_list<const char*> keys);
    // The plot in photograph mode with no flow layer and no node data.
    void ClearPlot();
    // The schematic drawn, on and of type `type`.
    void ShowDraft(int type);
    // Sets a tool button's or a menu item's image index and its icon.
    void SetImageIndex(QObject* target, int index);
    void SetLanguage(int index);
    void ImagePlaceClick(QAction* item, int place);
    // The node arrays, the cell tables and the picture, at the first run.
    void AllocateNodeArrays();
    // Value ranges, the shortest edge and the vector scale at the first fetch.
    void TakeFirstFetchRanges();
    // get_cell_vertex into the node arrays; false when the library stopped.
    bool FetchNodeValues();
    // OPTICS_SHADOWGRAPH_A with the main window's arrays and the window
    // arguments of the current view, after flattening the bench when asked;
    // false when the library stopped.
    bool TracePhotograph(bool flatten);
    // Shows or hides a tool button of the tool bar.
    void SetToolVisible(QToolButton* button, bool visible);
    // The menu bar is shown while one of its menus is.
    void UpdateMenuBar();
    // The label and check-box columns of the left panel sized to their texts.
    void FitLeftPanelTexts();

    bool FClosed = false;
};

extern TfrmMain* frmMain;

// The text of key in the main window's current language; empty without one.
QString LanguageText(const char* key);

}  // namespace vorlantic

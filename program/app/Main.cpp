#include "app/Main.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSlider>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <utility>

#include "app/BenchShapes.h"
#include "app/ContourLineSettings.h"
#include "app/ContourSettings.h"
#include "app/Language.h"
#include "app/ObjectDetails.h"
#include "app/about.h"
#include "controls/MyOpenGL.h"
#include "controls/MyProgressBar.h"
#include "controls/Shapes.h"
#include "controls/ValueListEditor.h"
#include "platform/Errors.h"
#include "platform/FloatText.h"
#include "platform/MessageBoxes.h"
#include "platform/StrictConvert.h"
#include "qelta.h"

namespace vorlantic {

TfrmMain* frmMain = nullptr;

namespace {

// Sizes of the exchange blocks.
constexpr int kParBlock = 20;
// The library's picture capacity in colour: 3 values for each of 4194304 nodes.
constexpr std::size_t kPictureValues = 12582912;
constexpr int kMaxResolution = 6;

// Slots of the optics integer block iopara (counted from 0 here).
constexpr int kImagePlace = 0;     // 1 left window, 2 right window, 3 recording plane; +100 without flow
constexpr int kWindowSet = 3;      // set by the library once the picture window is fixed
constexpr int kColour = 4;         // 1 colour, 0 grey
constexpr int kRayOrder = 5;       // 1 first-order ray tracing
constexpr int kRecordingUnit = 9;  // 1 schlieren
constexpr int kWithoutFlow = 100;

// Image indices of the tool buttons and menu items.
constexpr int kImagePause = 27;
constexpr int kImageResume = 28;
constexpr int kImagePhoto = 34;
constexpr int kImagePlot = 35;

// The framework's colour word 255: red.
const QColor kGaugeRed(255, 0, 0);

// Reads a number of a parameter row; a text that is not one raises the
// conversion error.
double RowValue(const TValueListEditor* list, int row) { return platform::StrToFloat(list->Value(row)); }

// printf's "%f" in the C locale: six decimals.
void AppendFixed(std::string& out, double value) {
    char buffer[400];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    if (ec == std::errc()) out.append(buffer, end);
}

enum class CaseGlyph { Wedge, Cone, Sphere, Cylinder, Explosion, Airfoil, More };

// The picture of a case button: the body in a shock tube, 20 x 20 pixels.
QIcon CaseIcon(CaseGlyph glyph) {
    QPixmap pixmap(20, 20);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.2));
    p.setBrush(QColor(120, 120, 120));
    switch (glyph) {
        case CaseGlyph::Wedge: p.drawPolygon(QPolygonF({{3, 17}, {17, 17}, {17, 7}})); break;
        case CaseGlyph::Cone:
            p.drawPolygon(QPolygonF({{3, 10}, {17, 3}, {17, 17}}));
            p.setPen(QPen(Qt::black, 1, Qt::DashLine));
            p.drawLine(QPointF(1, 10), QPointF(19, 10));
            break;
        case CaseGlyph::Sphere:
            p.setBrush(QRadialGradient(QPointF(8, 8), 9, QPointF(7, 7)));
            p.drawEllipse(QRectF(3, 3, 14, 14));
            break;
        case CaseGlyph::Cylinder: p.drawEllipse(QRectF(3, 3, 14, 14)); break;
        case CaseGlyph::Explosion:
            p.setBrush(QColor(230, 120, 0));
            p.drawPolygon(QPolygonF(
                {{10, 1}, {12, 7}, {19, 6}, {14, 11}, {18, 18}, {10, 14}, {2, 18}, {6, 11}, {1, 6}, {8, 7}}));
            break;
        case CaseGlyph::Airfoil:
            p.drawPath([] {
                QPainterPath path(QPointF(2, 11));
                path.cubicTo(QPointF(4, 5), QPointF(10, 6), QPointF(19, 10));
                path.cubicTo(QPointF(10, 13), QPointF(4, 14), QPointF(2, 11));
                return path;
            }());
            break;
        case CaseGlyph::More:
            for (int x : {4, 10, 16}) p.drawEllipse(QRectF(x - 1.5, 8.5, 3, 3));
            break;
    }
    return QIcon(pixmap);
}

// The picture of the copy button: two sheets, the front one over the back.
QIcon CopyIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 1.5, 8, 10));
    p.drawRect(QRectF(5.5, 4.5, 8, 10));
    return QIcon(pixmap);
}

// Controls in two columns across [x0, x1), a gap between the columns: the
// boundary stays as designed (leftWidth) unless a text needs it moved, the
// left column first getting what its widest text needs, then the right.
void SplitColumns(std::initializer_list<std::pair<QWidget*, QWidget*>> rows, int x0, int x1, int leftWidth,
                  int gap) {
    int left = 0, right = 0;
    for (auto [l, r] : rows) {
        left = std::max(left, l->sizeHint().width());
        right = std::max(right, r->sizeHint().width());
    }
    const int width = x1 - x0 - gap;
    const int split = std::max(left, std::min(std::max(leftWidth, left), width - right));
    for (auto [l, r] : rows) {
        l->setGeometry(x0, l->y(), split, l->height());
        r->setGeometry(x0 + split + gap, r->y(), width - split, r->height());
    }
}

}  // namespace

// ---------------------------------------------------------------- TImage

TImage::TImage(QWidget* parent) : QWidget(parent) { setMouseTracking(true); }

void TImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, Canvas.Image());
}

void TImage::mousePressEvent(QMouseEvent* event) {
    QPoint p = event->position().toPoint();
    emit MouseDown(event->button(), p.x(), p.y());
}

void TImage::mouseMoveEvent(QMouseEvent* event) {
    QPoint p = event->position().toPoint();
    emit MouseMove(event->buttons(), p.x(), p.y());
}

void TImage::mouseReleaseEvent(QMouseEvent* event) {
    QPoint p = event->position().toPoint();
    emit MouseUp(event->button(), p.x(), p.y());
}

// ---------------------------------------------------------------- construction

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent) {
    if (!frmMain) frmMain = this;
    CreateComponents();
    ConnectHandlers();
    FormCreate();
}

TfrmMain::~TfrmMain() {
    // A window destroyed without closing still frees and closes what it has.
    if (!FClosed) platform::CallHandler([this] { FormClose(); });
    if (frmMain == this) frmMain = nullptr;
}

void TfrmMain::CreateComponents() {
    setWindowTitle("Vorlantic");
    resize(894, 650);

    auto* client = new QWidget(this);
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    setCentralWidget(client);

    ControlBar1 = new QWidget(client);
    ControlBar1->setFixedHeight(27);
    auto* bar = new QHBoxLayout(ControlBar1);
    bar->setContentsMargins(0, 0, 0, 0);
    ToolBar4 = new QToolBar(ControlBar1);
    ToolBar4->setMovable(false);
    ToolBar4->setIconSize(QSize(16, 16));
    bar->addWidget(ToolBar4);
    column->addWidget(ControlBar1);

    Splitter2 = new QSplitter(Qt::Horizontal, client);
    Splitter2->setHandleWidth(2);
    Splitter2->setChildrenCollapsible(false);
    PanelLeft = new QWidget(Splitter2);
    PanelLeft->setMinimumWidth(60);
    SplitterBottom = new QSplitter(Qt::Vertical, Splitter2);
    SplitterBottom->setHandleWidth(2);
    MyOpenGL1 = new TMyOpenGL(SplitterBottom);
    MyOpenGL1->SetBackColor(palette().color(QPalette::Button));
    PanelBottom = new QWidget(SplitterBottom);
    Splitter2->setStretchFactor(0, 0);
    Splitter2->setStretchFactor(1, 1);
    Splitter2->setSizes({196, 696});
    SplitterBottom->setStretchFactor(0, 1);
    SplitterBottom->setStretchFactor(1, 0);
    SplitterBottom->setSizes({484, 110});
    column->addWidget(Splitter2, 1);

    CreateMenus();
    CreateToolBar();
    CreateLeftPanel();
    CreateBenchPanel();

    Timer1 = new QTimer(this);
    Timer1->setInterval(1);
    TimerSection = new QTimer(this);
    TimerSection->setInterval(100);
    TimerSection->start();
}

void TfrmMain::CreateMenus() {
    QMenuBar* bar = menuBar();
    File1 = bar->addMenu("&File");
    Save1 = File1->addAction("Save Data");
    Language1 = File1->addMenu("Language");
    Lang0 = Language1->addAction("Lang0");
    Lang1 = Language1->addAction("Lang1");
    Lang2 = Language1->addAction("Lang2");
    int tag = 0;
    for (QAction* item : {Lang0, Lang1, Lang2}) {
        item->setCheckable(true);
        item->setData(tag++);
    }
    File1->addSeparator();
    FileExit1 = File1->addAction("Exit");

    Edit1 = bar->addMenu("&Edit");
    mnuCopyPicture = Edit1->addAction("Copy the picture");
    mnuCopyPicture->setShortcut(QKeySequence("Ctrl+C"));
    ObjectProperties1 = Edit1->addAction("Object Properties");
    mnuContours1 = Edit1->addAction("Contour settings...");

    View1 = bar->addMenu("&View");
    ViewSpecifications = View1->addAction("View the specifications form");
    ViewOpticalModel1 = View1->addAction("View the optical model settings");

    Run1 = bar->addMenu("&Run");
    mnuGoNow1 = Run1->addAction("&Go Now");
    mnuGoNow1->setShortcut(QKeySequence(Qt::Key_F1));
    mnuPause1 = Run1->addAction("Pause");
    mnuPause1->setShortcut(QKeySequence(Qt::Key_F2));
    SetImageIndex(mnuPause1, kImagePause);

    Watch1 = bar->addMenu("&Watch");
    Imageonleftwindow1 = Watch1->addAction("Image on left window");
    Imageonrightwindow1 = Watch1->addAction("Image on right window");
    Imageonrecordingplane1 = Watch1->addAction("Image on recording plane (Default)");
    for (QAction* item : {Imageonleftwindow1, Imageonrightwindow1, Imageonrecordingplane1}) item->setCheckable(true);
    Option1 = Watch1->addMenu("Option");
    Includeflowperturbations1 = Option1->addAction("Remove flow data");
    colororgrayscale1 = Option1->addAction("Switch to grayscale from color");
    dofirstorderraytracing1 = Option1->addAction("Do second-order ray tracing");

    Help1 = bar->addMenu("About");
    HelpAbout1 = Help1->addAction("&About...");

    PopupMenu1 = new QMenu(this);
    Property1 = PopupMenu1->addAction("Property");

    // The shortcuts work while their menus are hidden.
    addActions({mnuCopyPicture, mnuGoNow1, mnuPause1});
}

void TfrmMain::CreateToolBar() {
    auto tool = [this](const QString& hint, const QIcon& icon) {
        auto* button = new QToolButton(ToolBar4);
        button->setToolTip(hint);
        button->setAutoRaise(true);
        button->setIcon(icon);
        ToolBar4->addWidget(button);
        return button;
    };
    auto standard = [this](QStyle::StandardPixmap icon) { return style()->standardIcon(icon); };
    tbRun1 = tool("Start", standard(QStyle::SP_MediaPlay));
    tbPause = tool("Pause", standard(QStyle::SP_MediaPause));
    SetImageIndex(tbPause, kImagePause);
    StepbyStep = tool("Step by Step Computation", standard(QStyle::SP_MediaSeekForward));
    StopComputation = tool("Stop Simulation", standard(QStyle::SP_MediaStop));
    ToolBar4->addSeparator();
    tbCopy1 = tool("Copy the picture", QIcon::fromTheme("edit-copy", CopyIcon()));
    sbLegend = tool("Show legend", standard(QStyle::SP_FileDialogDetailedView));
    sbGrayscale = tool("Simulated photo", standard(QStyle::SP_DesktopIcon));
    SetImageIndex(sbGrayscale, kImagePlot);
    tbViewSpecifications = tool("Close Specification Panel", standard(QStyle::SP_FileDialogListView));
    tbViewModels = tool("Optical setup", standard(QStyle::SP_FileDialogContentsView));
    tbObjProperty = tool("Object Properties", standard(QStyle::SP_FileDialogInfoView));
    ToolBar4->addSeparator();
    tbLeft = tool("Pan Left", standard(QStyle::SP_ArrowLeft));
    tbRight = tool("Pan Right", standard(QStyle::SP_ArrowRight));
    tbUp = tool("Pan Up", standard(QStyle::SP_ArrowUp));
    tbDown = tool("Pan Down", standard(QStyle::SP_ArrowDown));
    tbZoomIn = tool("Zoom In", standard(QStyle::SP_TitleBarMaxButton));
    tbZoomOut = tool("Zoom out", standard(QStyle::SP_TitleBarMinButton));
    tbRestore = tool("Restore", standard(QStyle::SP_BrowserReload));
    ToolBar4->addSeparator();
    tbAbout1 = tool("About", standard(QStyle::SP_MessageBoxInformation));
}

void TfrmMain::CreateLeftPanel() {
    auto caseButton = [this](const QString& hint, int x, CaseGlyph glyph) {
        auto* button = new QToolButton(PanelLeft);
        button->setToolTip(hint);
        button->setCheckable(true);
        button->setGeometry(x, 8, 26, 26);
        button->setIcon(CaseIcon(glyph));
        return button;
    };
    sbWedge = caseButton("Wedge", 4, CaseGlyph::Wedge);
    sbCone = caseButton("Cylinder", 30, CaseGlyph::Cone);
    sbSphere = caseButton("Sphere", 56, CaseGlyph::Sphere);
    sbCylinder = caseButton("", 82, CaseGlyph::Cylinder);
    sbCylindricalexplosion = caseButton("Cylindrical explosion", 108, CaseGlyph::Explosion);
    sbNACA0012 = caseButton("NACA0012", 134, CaseGlyph::Airfoil);
    sbMore = caseButton("More", 160, CaseGlyph::More);

    // A case text longer than the panel wraps upwards, under the buttons.
    Label1 = new QLabel(PanelLeft);
    Label1->setGeometry(4, 36, 188, 28);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    Label1->setWordWrap(true);

    ValList = new TValueListEditor(PanelLeft);
    ValList->setGeometry(3, 64, 190, 182);
    ValList->SetColumnWidths(136, 50);
    for (const char* value : {"30.0", "3", "1.4", "", ""}) ValList->InsertRow(QString(), value);
    ValueList2 = new TValueListEditor(PanelLeft);
    ValueList2->setGeometry(3, 64, 190, 182);
    ValueList2->SetColumnWidths(136, 50);

    PanelSpeed = new QWidget(PanelLeft);
    PanelSpeed->setGeometry(3, 250, 190, 78);
    lblResolution = new QLabel("Resolution", PanelSpeed);
    lblResolution->setGeometry(4, 0, 90, 16);
    lblSpeed = new QLabel("Speed", PanelSpeed);
    lblSpeed->setGeometry(120, 0, 66, 16);
    lblSpeed->setAlignment(Qt::AlignRight);
    TrackBar1 = new QSlider(Qt::Horizontal, PanelSpeed);
    TrackBar1->setGeometry(4, 18, 182, 22);
    TrackBar1->setRange(0, kMaxResolution);
    TrackBar1->setPageStep(1);
    TrackBar1->setTickPosition(QSlider::TicksBelow);
    lblLowest = new QLabel("Lowest", PanelSpeed);
    lblLowest->setGeometry(4, 42, 90, 16);
    lblHighest = new QLabel("Highest", PanelSpeed);
    lblHighest->setGeometry(96, 42, 90, 16);
    lblHighest->setAlignment(Qt::AlignRight);
    lblFastest = new QLabel("Fastest", PanelSpeed);
    lblFastest->setGeometry(4, 58, 90, 16);
    lblSlowest = new QLabel("Slowest", PanelSpeed);
    lblSlowest->setGeometry(96, 58, 90, 16);
    lblSlowest->setAlignment(Qt::AlignRight);
    PanelSpeed->hide();

    MyProgressBar1 = new TMyProgressBar(PanelLeft);
    MyProgressBar1->setGeometry(3, 330, 189, 53);
    MyProgressBar1->hide();

    grpPlot = new QGroupBox("Plot", PanelLeft);
    grpPlot->setGeometry(3, 386, 190, 64);
    chkContour = new QCheckBox("Contour", grpPlot);
    chkContour->setGeometry(8, 18, 88, 20);
    chkContour->setChecked(true);
    chkContourLines = new QCheckBox("Contour lines", grpPlot);
    chkContourLines->setGeometry(96, 18, 92, 20);
    chkVector = new QCheckBox("Vector", grpPlot);
    chkVector->setGeometry(8, 40, 88, 20);
    chkMesh = new QCheckBox("Mesh", grpPlot);
    chkMesh->setGeometry(96, 40, 92, 20);
    chkMesh->setChecked(true);

    PanelLeft->installEventFilter(this);
}

void TfrmMain::CreateBenchPanel() {
    auto* layout = new QVBoxLayout(PanelBottom);
    layout->setContentsMargins(0, 0, 0, 0);
    PageOpticalModel = new QTabWidget(PanelBottom);
    layout->addWidget(PageOpticalModel);
    TabSheetModel = new QWidget;
    PageOpticalModel->addTab(TabSheetModel, "Optical Model");

    cbIlluminatingUnit = new QComboBox(TabSheetModel);
    cbIlluminatingUnit->setGeometry(4, 4, 130, 22);
    cbIlluminatingUnit->setEditable(true);
    cbIlluminatingUnit->addItem("Illuminating Unit");
    cbIlluminatingUnit->setEnabled(false);
    cbRecordingUnit = new QComboBox(TabSheetModel);
    cbRecordingUnit->setGeometry(4, 30, 130, 22);
    cbRecordingUnit->setEditable(true);
    cbRecordingUnit->addItems({"Shadowgraph A", "Schlieren A"});
    btnOK = new QPushButton("OK", TabSheetModel);
    btnOK->setGeometry(4, 56, 60, 24);
    lblModelAndFlow = new QLabel(TabSheetModel);
    lblModelAndFlow->setGeometry(4, 84, 130, 16);

    PanelModel = new QWidget(TabSheetModel);
    PanelModel->setGeometry(136, 0, 500, 80);
    ImageModel = new TImage(PanelModel);
    ImageModel->setGeometry(0, 0, 500, 80);

    TabSheetModel->installEventFilter(this);
}

void TfrmMain::ConnectHandlers() {
    // Every handler runs through the default handler of errors.
    auto on = [this](void (TfrmMain::*handler)()) {
        return [this, handler] { platform::CallHandler([&] { (this->*handler)(); }); };
    };
    auto click = [&](QToolButton* button, void (TfrmMain::*handler)()) {
        connect(button, &QToolButton::clicked, this, on(handler));
    };
    auto item = [&](QAction* action, void (TfrmMain::*handler)()) {
        connect(action, &QAction::triggered, this, on(handler));
    };
    // Run, plot and case controls act on the parameter rows as committed:
    // a value still being typed is stored and checked first.
    auto onRows = [this](void (TfrmMain::*handler)()) {
        return [this, handler] {
            platform::CallHandler([&] {
                CommitParameterEdit();
                (this->*handler)();
            });
        };
    };
    auto press = [&](QAbstractButton* button, void (TfrmMain::*handler)()) {
        connect(button, &QAbstractButton::clicked, this, onRows(handler));
    };
    auto command = [&](QAction* action, void (TfrmMain::*handler)()) {
        connect(action, &QAction::triggered, this, onRows(handler));
    };

    press(sbWedge, &TfrmMain::sbWedgeClick);
    press(sbCone, &TfrmMain::sbConeClick);
    press(sbSphere, &TfrmMain::sbSphereClick);
    press(sbCylinder, &TfrmMain::sbCylinderClick);
    press(sbCylindricalexplosion, &TfrmMain::sbCylindricalexplosionClick);
    press(sbNACA0012, &TfrmMain::sbNACA0012Click);
    press(sbMore, &TfrmMain::sbMoreClick);
    for (TValueListEditor* list : {ValList, ValueList2}) {
        connect(list, &TValueListEditor::Click, this, on(&TfrmMain::ValListClick));
        connect(list, &TValueListEditor::KeyDown, this,
                [this](int key) { platform::CallHandler([&] { ValListKeyDown(key); }); });
        // An edit takes effect as soon as its editor closes.
        connect(list, &TValueListEditor::EditClosed, this, on(&TfrmMain::ParameterChanged));
    }

    press(tbRun1, &TfrmMain::tbRun1Click);
    command(mnuGoNow1, &TfrmMain::tbRun1Click);
    connect(MyProgressBar1, &TMyProgressBar::OnClick, this, onRows(&TfrmMain::tbRun1Click));
    press(tbPause, &TfrmMain::tbPauseClick);
    command(mnuPause1, &TfrmMain::tbPauseClick);
    press(StepbyStep, &TfrmMain::StepbyStepClick);
    press(StopComputation, &TfrmMain::StopComputationClick);
    connect(Timer1, &QTimer::timeout, this, on(&TfrmMain::Timer1Timer));

    press(chkContour, &TfrmMain::chkContourClick);
    press(chkContourLines, &TfrmMain::chkContourLinesClick);
    press(chkVector, &TfrmMain::chkVectorClick);
    press(chkMesh, &TfrmMain::chkMeshClick);
    press(sbLegend, &TfrmMain::sbLegendClick);
    press(sbGrayscale, &TfrmMain::sbGrayscaleClick);
    press(tbLeft, &TfrmMain::tbLeftClick);
    press(tbRight, &TfrmMain::tbRightClick);
    press(tbUp, &TfrmMain::tbUpClick);
    press(tbDown, &TfrmMain::tbDownClick);
    press(tbZoomIn, &TfrmMain::tbZoomInClick);
    press(tbZoomOut, &TfrmMain::tbZoomOutClick);
    press(tbRestore, &TfrmMain::tbRestoreClick);
    press(tbCopy1, &TfrmMain::tbCopy1Click);
    command(mnuCopyPicture, &TfrmMain::tbCopy1Click);
    command(mnuContours1, &TfrmMain::mnuContours1Click);
    command(Imageonleftwindow1, &TfrmMain::Imageonleftwindow1Click);
    command(Imageonrightwindow1, &TfrmMain::Imageonrightwindow1Click);
    command(Imageonrecordingplane1, &TfrmMain::Imageonrecordingplane1Click);
    command(Includeflowperturbations1, &TfrmMain::Includeflowperturbations1Click);
    command(colororgrayscale1, &TfrmMain::colororgrayscale1Click);
    command(dofirstorderraytracing1, &TfrmMain::dofirstorderraytracing1Click);
    click(tbAbout1, &TfrmMain::tbAbout1Click);

    connect(ImageModel, &TImage::MouseDown, this, [this](Qt::MouseButton button, int x, int y) {
        platform::CallHandler([&] { ImageModelMouseDown(button, x, y); });
    });
    connect(ImageModel, &TImage::MouseMove, this, [this](Qt::MouseButtons buttons, int x, int y) {
        platform::CallHandler([&] { ImageModelMouseMove(buttons, x, y); });
    });
    connect(ImageModel, &TImage::MouseUp, this, [this](Qt::MouseButton button, int x, int y) {
        platform::CallHandler([&] { ImageModelMouseUp(button, x, y); });
    });
    connect(TimerSection, &QTimer::timeout, this, on(&TfrmMain::TimerSectionTimer));
    connect(btnOK, &QPushButton::clicked, this, on(&TfrmMain::btnOKClick));
    click(tbObjProperty, &TfrmMain::ObjectProperties1Click);
    item(ObjectProperties1, &TfrmMain::ObjectProperties1Click);

    item(Save1, &TfrmMain::Save1Click);
    item(Lang0, &TfrmMain::Lang0Click);
    item(Lang1, &TfrmMain::Lang1Click);
    item(Lang2, &TfrmMain::Lang2Click);
    item(FileExit1, &TfrmMain::FileExit1Click);
    click(tbViewSpecifications, &TfrmMain::ViewSpecificationsClick);
    item(ViewSpecifications, &TfrmMain::ViewSpecificationsClick);
    click(tbViewModels, &TfrmMain::ViewOpticalModel1Click);
    item(ViewOpticalModel1, &TfrmMain::ViewOpticalModel1Click);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        if (watched == PanelLeft) platform::CallHandler([this] { PanelLeftResize(); });
        if (watched == TabSheetModel) platform::CallHandler([this] { TabSheetModelResize(); });
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    if (!FClosed) platform::CallHandler([this] { FormClose(); });
    event->accept();
    emit FormClosed();
}

QString TfrmMain::Text(const char* key) const {
    return FLanguage ? QString::fromStdString(FLanguage->GetText(key)) : QString();
}

QString LanguageText(const char* key) { return frmMain ? frmMain->Text(key) : QString(); }

void TfrmMain::SetImageIndex(QObject* target, int index) {
    target->setProperty("ImageIndex", index);
    QStyle::StandardPixmap pixmap = index == kImageResume ? QStyle::SP_MediaPlay
                                    : index == kImagePause ? QStyle::SP_MediaPause
                                    : index == kImagePhoto ? QStyle::SP_DriveHDIcon
                                                           : QStyle::SP_DesktopIcon;
    if (auto* button = qobject_cast<QToolButton*>(target)) button->setIcon(style()->standardIcon(pixmap));
    if (auto* action = qobject_cast<QAction*>(target)) action->setIcon(style()->standardIcon(pixmap));
}

void TfrmMain::SetToolVisible(QToolButton* button, bool visible) {
    for (QAction* action : ToolBar4->actions())
        if (ToolBar4->widgetForAction(action) == button) action->setVisible(visible);
}

void TfrmMain::UpdateMenuBar() {
    bool any = false;
    for (QMenu* menu : {File1, Edit1, View1, Run1, Watch1, Help1}) any = any || menu->menuAction()->isVisible();
    menuBar()->setVisible(any);
}

// ---------------------------------------------------------------- start-up and closing

void TfrmMain::FormCreate() {
    FProgramName = "Vorlantic";
    cbIlluminatingUnit->setCurrentIndex(0);
    cbRecordingUnit->setCurrentIndex(0);
    FShowLegend = true;

    FLanguage = std::make_unique<CLanguage>();
    FLangItems = {Lang0, Lang1, Lang2};
    FLanguage->SelectLanguage(0);
    ApplyLanguage();

    FStepCount = 0;
    FDrawIntervalBase = 10;
    FRMax = 1;
    FRMin = 0;
    FNodeX.reset();
    FNodeY.reset();
    FNodeR.reset();
    FNodeP.reset();
    FNodeUx.reset();
    FNodeUy.reset();

    FPlot = MyOpenGL1->AddQuadrilaterals(0, 0, 1, 1, 255);
    FContourLevels = 30;
    FContourVariable = 0;

    // The designed list has five rows; the two empty ones go.
    ValList->DeleteRow(4);
    ValList->DeleteRow(4);
    ValueList2->hide();
    ValueList2->InsertRow("Shock Mach Number", "3.0");
    ValueList2->InsertRow("Ratio of Specific heats", "1.4");

    FNodeCount = 0;
    FCaseText = "Click above button to select a case";
    Label1->setText(FCaseText);

    btnOKClick();

    FMaxRays = FElementCount = FMaxPar = FMaxRaySets = FMaxElements = 0;
    initial_optics();
    FMaxElements = getIntPar(10);
    FMaxPar = getIntPar(11);
    FMaxRays = getIntPar(12);
    FMaxRaySets = getIntPar(13);

    FOpticsRealPar = std::make_unique<double[]>(FMaxPar);
    FOpticsIntPar = std::make_unique<int[]>(FMaxPar);
    FElementPar = std::make_unique<double[]>(static_cast<std::size_t>(FMaxElements) * FMaxPar);
    FElementCode = std::make_unique<int[]>(static_cast<std::size_t>(FMaxElements) * FMaxPar);
    std::size_t rayPoints = static_cast<std::size_t>(FMaxElements) * FMaxRays * FMaxRaySets;
    FRayX = std::make_unique<double[]>(rayPoints);
    FRayY = std::make_unique<double[]>(rayPoints);
    FRayResult = std::make_unique<double[]>(3);
    FRaySetCount = 0;

    ViewOpticalModel1Click();

    FPhotoValue.reset();
    FPhotoY.reset();
    FPhotoX.reset();

    FOpticsIntPar[kImagePlace] = 3;
    FOpticsIntPar[1] = 0;
    FOpticsIntPar[kWindowSet] = 0;
    FOpticsIntPar[kColour] = 0;
    FOpticsIntPar[kRayOrder] = 1;

    FRestrictedUI = false;
    FPhotoMode = false;
    WatchDefault();
    FRestrictedUI = true;

    allspeedbuttoninvisible();
    sbWedge->show();
    sbCone->show();
    sbWedgeClick();

    TrackBar1->setValue(3);
    ValList->SetValue(2, platform::FloatToQString(1.5));
    // Redraw the schematic with the Mach number the row now holds.
    sbWedgeClick();

    View1->menuAction()->setVisible(false);
    SetToolVisible(tbObjProperty, false);
    Language1->menuAction()->setVisible(false);
    Edit1->menuAction()->setVisible(false);
    Run1->menuAction()->setVisible(false);
    if (FRestrictedUI) {
        SetToolVisible(sbGrayscale, false);
        SetToolVisible(tbViewModels, false);
        File1->menuAction()->setVisible(false);
        Help1->menuAction()->setVisible(false);
    }
    UpdateMenuBar();
}

void TfrmMain::FormClose() {
    Timer1->stop();
    TimerSection->stop();
    // A row still being edited closes with the window: nothing to check.
    for (TValueListEditor* list : {ValList, ValueList2}) disconnect(list, nullptr, this, nullptr);
    FLanguage.reset();
    FShapeManeger.reset();
    FLight.reset();
    FFirstLense.reset();
    FRecordingLense.reset();
    FFilm.reset();
    FCutoff.reset();
    FSection.reset();
    FRealPar.reset();
    FIntPar.reset();
    if (FNodeX) {
        // The plot borrows these arrays.
        FPlot->setVariables(nullptr, nullptr, 0, nullptr, nullptr, nullptr, nullptr);
        FPlot->Image = FPlot->Intensity = FPlot->ImageGridX = FPlot->ImageGridY = nullptr;
        FNodeX.reset();
        FNodeY.reset();
        FNodeR.reset();
        FNodeP.reset();
        FNodeUx.reset();
        FNodeUy.reset();
        FCellNodes.reset();
        FHangNodes.reset();
        FPhotoX.reset();
        FPhotoY.reset();
        FPhotoValue.reset();
        FPhotoCellNodes.reset();
        FPhotoImage.reset();
        FNodeCount = FCellCount = FHangCount = FPhotoNodeCount = FPhotoCellCount = 0;
    }
    if (FOpticsRealPar) {
        FOpticsRealPar.reset();
        FElementPar.reset();
        FRayX.reset();
        FRayY.reset();
        FElementCode.reset();
        FOpticsIntPar.reset();
        FRayResult.reset();
    }
    close_optics();
    FClosed = true;
}

void TfrmMain::FileExit1Click() { close(); }

void TfrmMain::PanelLeftResize() {
    // The panel's top in the client area, below the tool-bar strip.
    int panelTop = PanelLeft->mapTo(centralWidget(), QPoint(0, 0)).y();
    int bottom = panelTop + PanelLeft->height();
    int plotTop = grpPlot->isVisibleTo(PanelLeft) ? bottom - grpPlot->height() - 30 : bottom - 30;
    grpPlot->move(grpPlot->x(), plotTop);
    MyProgressBar1->move(MyProgressBar1->x(), grpPlot->y() - MyProgressBar1->height() - 2);
    PanelSpeed->move(PanelSpeed->x(), MyProgressBar1->y() - PanelSpeed->height() - 2);
    ValList->resize(ValList->width(), PanelSpeed->y() - ValList->y() - 2);
}

void TfrmMain::ViewSpecificationsClick() {
    PanelLeft->setVisible(PanelLeft->isHidden());
    if (!PanelLeft->isHidden()) {
        PanelLeftResize();
        tbViewSpecifications->setToolTip("Close Specification Panel");
    } else {
        tbViewSpecifications->setToolTip("Specification Panel");
    }
}

void TfrmMain::ViewOpticalModel1Click() {
    PanelBottom->setVisible(PanelBottom->isHidden());
    if (!PanelBottom->isHidden()) {
        TabSheetModelResize();
        tbViewModels->setToolTip("Close optical setup");
    } else {
        tbViewModels->setToolTip("Optical setup");
    }
}

// ---------------------------------------------------------------- cases

void TfrmMain::SelectCase(QToolButton* button, int caseId, int axisFlag, const QString& suffix,
                          TValueListEditor* list, std::initializer_list<const char*> keys) {
    FCaseId = caseId;
    if (axisFlag >= 0 && FOpticsIntPar) FOpticsIntPar[2] = axisFlag;
    setWindowTitle(FProgramName + suffix);
    (list == ValList ? ValueList2 : ValList)->hide();
    int row = 1;
    for (const char* key : keys) list->SetKey(row++, key);
    list->show();
    PanelSpeed->show();
    MyProgressBar1->show();
    allspeedbuttonup();
    button->setChecked(true);
}

void TfrmMain::ClearPlot() {
    FPlot->PhotoMode = true;
    FPlot->ShowContour = FPlot->ShowContourLines = FPlot->ShowVector = FPlot->ShowGrid = false;
    FPlot->DetachFlowData();
}

void TfrmMain::ShowDraft(int type) {
    MyOpenGL1->DraftOn = true;
    MyOpenGL1->DraftType = type;
    MyOpenGL1->LegendOn = false;
    MyOpenGL1->update();
}

void TfrmMain::sbWedgeClick() {
    SelectCase(sbWedge, 2, 0, ":  Brelvane", ValList,
               {"Wedge Angle (Degrees): ", "Shock Mach Number: ", "Ratio of Specific Heats: "});
    FCaseText = sbWedge->toolTip();
    Label1->setText(FCaseText);
    ClearPlot();
    double mach = RowValue(ValList, 2), gamma = RowValue(ValList, 3), angle = RowValue(ValList, 1);
    MyOpenGL1->DrawWedge(mach, gamma, angle);
    ShowDraft(0);
}

void TfrmMain::sbConeClick() {
    SelectCase(sbCone, 4, 1, ":  Brelvane", ValList,
               {"Semiapex Angle (Degrees): ", "Shock Mach Number: ", "Ratio of Specific Heats: "});
    FCaseText = sbCone->toolTip();
    Label1->setText(FCaseText);
    ClearPlot();
    double mach = RowValue(ValList, 2), gamma = RowValue(ValList, 3), angle = RowValue(ValList, 1);
    MyOpenGL1->DrawCone(mach, gamma, angle);
    ShowDraft(1);
}

void TfrmMain::sbSphereClick() {
    SelectCase(sbSphere, 3, 1, ":  Shock/Sphere Interaction", ValueList2,
               {"Shock Mach Number: ", "Ratio of Specific Heats: "});
    FCaseText = sbSphere->toolTip();
    Label1->setText(FCaseText);
    ClearPlot();
    ShowDraft(3);
}

void TfrmMain::sbCylinderClick() {
    SelectCase(sbCylinder, 1, 0, ":  Shock/Cylinder Interaction", ValueList2,
               {"Shock Mach Number: ", "Ratio of Specific Heats: "});
    FCaseText = "Shock/Cylinder Interaction";
    Label1->setText(FCaseText);
    ClearPlot();
    double mach = RowValue(ValueList2, 1), gamma = RowValue(ValueList2, 2);
    MyOpenGL1->DrawCylinder(mach, gamma);
    ShowDraft(2);
}

void TfrmMain::sbCylindricalexplosionClick() {
    SelectCase(sbCylindricalexplosion, 6, 1, ":  Spherical explosion", ValList,
               {"Minlev: ", "Shock Mach Number: ", "Ratio of Specific Heats: "});
    FCaseText = sbCylindricalexplosion->toolTip();
    Label1->setText(FCaseText);
}

void TfrmMain::sbNACA0012Click() {
    SelectCase(sbNACA0012, 102, -1, ":  Shock/Airfoil Interaction", ValList,
               {"Angle of Attack (Degrees): ", "Flow Mach Number: ", "Ratio of Specific Heats: "});
    ValList->SetValue(2, "2.0");
    FCaseText = "Shock/Airfoil Interaction";
    Label1->setText(FCaseText);
    ClearPlot();
    double mach = RowValue(ValList, 2), gamma = RowValue(ValList, 3), angle = RowValue(ValList, 1);
    MyOpenGL1->DrawWedge(mach, gamma, angle);
    ShowDraft(0);
}

void TfrmMain::sbMoreClick() {
    FCaseText = sbMore->toolTip();
    allspeedbuttonup();
    sbMore->setChecked(true);
    sbSphere->setChecked(false);
    Label1->setText(FCaseText);
    ClearPlot();
    MyOpenGL1->LegendOn = false;
    MyOpenGL1->update();
}

void TfrmMain::allspeedbuttonup() {
    for (QToolButton* b : {sbWedge, sbCone, sbCylinder, sbSphere, sbCylindricalexplosion, sbMore, sbNACA0012})
        b->setChecked(false);
}

void TfrmMain::allspeedbuttoninvisible() {
    for (QToolButton* b : {sbWedge, sbCone, sbSphere, sbCylinder, sbCylindricalexplosion, sbMore, sbNACA0012})
        b->hide();
}

void TfrmMain::ValListClick() { ParameterChanged(); }

void TfrmMain::ValListKeyDown(int key) {
    if (key == kVkReturn) ParameterChanged();
}

void TfrmMain::ValListEditButtonClick() { ParameterChanged(); }

void TfrmMain::ValueList2KeyDown(int key) {
    if (key == kVkReturn) ParameterChanged();
}

void TfrmMain::CommitParameterEdit() {
    bool edited = false;
    for (TValueListEditor* list : {ValList, ValueList2}) edited = list->CommitEdit() || edited;
    if (edited) ParameterChanged();
}

void TfrmMain::ParameterChanged() {
    CheckParameters();
    switch (FCaseId) {
        case 1: sbCylinderClick(); break;
        case 2: sbWedgeClick(); break;
        case 3: sbSphereClick(); break;
        case 4: sbConeClick(); break;
        default: break;
    }
}

void TfrmMain::CheckParameters() {
    if (FCaseId != 2 && FCaseId != 4) return;
    // A row that is not a number takes its default without a message.
    auto read = [this](int row, double fallback) {
        constexpr double kNotANumber = -1.0001;
        double value = platform::StrToFloatDef(ValList->Value(row), kNotANumber);
        if (value == kNotANumber) {
            ValList->SetValue(row, platform::FloatToQString(fallback));
            value = fallback;
        }
        return value;
    };
    auto correct = [this](int row, const char* text, const char* caption, platform::MsgIcon icon, double value) {
        platform::MessageBox(text, caption, platform::MsgButtons::Ok, icon, this);
        ValList->SetValue(row, platform::FloatToQString(value));
    };
    using platform::MsgIcon;

    FAngle = read(1, 30);
    if (!(FAngle >= 0)) correct(1, "Wedge angle should be positive.", "Error", MsgIcon::Error, 0.001);
    if (FAngle > 90) correct(1, "Wedge angle should be below 90 degrees.", "Error", MsgIcon::Error, 90);

    FMach = read(2, 3);
    if (!(FMach >= 1)) correct(2, "Shock Mach number must be greater than 1.", "Error", MsgIcon::Error, 1.001);
    if (FMach > 10)
        correct(2,
                "Numerical results can be different from the reality significantly for a strong shock wave. "
                "The Mach number is set below 10.",
                "Warning", MsgIcon::Warning, 10);

    FGamma = read(3, 1.4);
    if (!(FGamma >= 1))
        correct(3, "The ratio of specific heats should be greater than 1.", "Error", MsgIcon::Error, 1.001);
    // The library runs no gas with fewer than one degree of freedom.
    constexpr double kMaxGamma = 3;
    if (FGamma > kMaxGamma)
        correct(3, "The ratio of specific heats should be at most 3.", "Error", MsgIcon::Error, kMaxGamma);
}

// ---------------------------------------------------------------- run control

void TfrmMain::PreProcessingforRun1() {
    FRealPar = std::make_unique<double[]>(kParBlock);
    FIntPar = std::make_unique<int[]>(kParBlock);
    // Slot k of the library's blocks is element k - 1 here.
    double mach = 0, angle = 0, gamma = 0;
    if (FCaseId == 1 || FCaseId == 3) {
        mach = RowValue(ValueList2, 1);
        gamma = RowValue(ValueList2, 2);
    } else {
        angle = RowValue(ValList, 1);
        mach = RowValue(ValList, 2);
        gamma = RowValue(ValList, 3);
    }
    FRealPar[1] = mach;
    FRealPar[2] = angle;
    FRealPar[3] = gamma;
    FIntPar[1] = 0;
    FIntPar[2] = FCaseId == 3 || FCaseId == 4 || FCaseId == 6 ? 1 : 0;
    FIntPar[3] = 0;
    FIntPar[4] = FCaseId;
    FIntPar[5] = std::clamp(TrackBar1->value(), 0, kMaxResolution);

    FCapacity = getIntPar(0);
    if (!FNodeX) AllocateNodeArrays();
    initialize_qelta(FRealPar.get(), FIntPar.get());

    FStepCount = 0;
    FProgress = 0;
    MyProgressBar1->SetTextForeColor(palette().color(QPalette::Highlight));
    SetImageIndex(tbPause, kImagePause);
    MyOpenGL1->DraftOn = false;
    Label1->setText(FCaseText);
}

void TfrmMain::AllocateNodeArrays() {
    std::size_t n = static_cast<std::size_t>(FCapacity);
    FNodeX = std::make_unique<double[]>(n);
    FNodeY = std::make_unique<double[]>(n);
    FNodeR = std::make_unique<double[]>(n);
    FNodeP = std::make_unique<double[]>(n);
    FNodeUx = std::make_unique<double[]>(n);
    FNodeUy = std::make_unique<double[]>(n);
    FCellNodes = std::make_unique<int[]>(4 * n);
    FHangNodes = std::make_unique<int[]>(n);
    FPhotoX = std::make_unique<double[]>(n);
    FPhotoY = std::make_unique<double[]>(n);
    FPhotoValue = std::make_unique<double[]>(n);
    FPhotoCellNodes = std::make_unique<int[]>(4 * n);
    // Written by the library before it is read.
    FPhotoImage = std::make_unique_for_overwrite<double[]>(kPictureValues);
}

void TfrmMain::tbRun1Click() {
    FDrawInterval = FDrawIntervalBase;
    FStepMode = false;
    PreProcessingforRun1();
    Timer1->start();
}

void TfrmMain::tbPauseClick() {
    if (FStepCount == 0) return;
    if (Timer1->isActive())
        Timer1->stop();
    else
        Timer1->start();
    if (Timer1->isActive()) {
        SetImageIndex(tbPause, kImagePause);
        SetImageIndex(mnuPause1, kImagePause);
        tbPause->setToolTip(Text("Pause"));
        mnuPause1->setText("Pause");
        FStepMode = false;
        FDrawInterval = FDrawIntervalBase;
    } else {
        SetImageIndex(tbPause, kImageResume);
        SetImageIndex(mnuPause1, kImageResume);
        tbPause->setToolTip(Text("Resume"));
        mnuPause1->setText("Resume");
    }
}

void TfrmMain::StepbyStepClick() {
    FDrawInterval = 1;
    FStepMode = true;
    if (FStepCount == 0) PreProcessingforRun1();
    Timer1->start();
}

void TfrmMain::StopComputationClick() {
    // Before the first run there is no run to end and no array to fetch into.
    if (!FNodeX) return;
    FProgress = 1.5;
    Timer1->start();
}

void TfrmMain::FetchNodeValues() {
    get_cell_vertex(FNodeX.get(), FNodeY.get(), &FNodeCount, FCellNodes.get(), &FCellCount, FHangNodes.get(),
                    &FHangCount, FNodeR.get(), FNodeP.get(), FNodeUx.get(), FNodeUy.get());
}

void TfrmMain::TakeFirstFetchRanges() {
    if (FNodeCount <= 0) return;
    auto range = [this](const double* values, double& lo, double& hi) {
        auto [a, b] = std::minmax_element(values, values + FNodeCount);
        lo = *a;
        hi = *b;
    };
    range(FNodeR.get(), FRMin, FRMax);
    range(FNodeP.get(), FPMin, FPMax);
    range(FNodeUx.get(), FUxMin, FUxMax);
    range(FNodeUy.get(), FUyMin, FUyMax);

    // Shortest distance from node 0 of a cell to its other nodes.
    auto node = [this](int c, int k) { return FCellNodes[c + static_cast<std::size_t>(k) * FCapacity] - 1; };
    auto distance = [this](int a, int b) { return std::hypot(FNodeX[b] - FNodeX[a], FNodeY[b] - FNodeY[a]); };
    if (FCellCount > 0) {
        FMinEdge = distance(node(0, 0), node(0, 1));
        for (int c = 0; c < FCellCount; ++c)
            for (int k = 1; k < 4; ++k) FMinEdge = std::min(FMinEdge, distance(node(c, 0), node(c, k)));
    }

    // The largest velocity draws an arrow as long as the shortest edge.
    double speed = std::hypot(FUxMax, FUyMax);
    if (speed == 0) {
        // Both maxima 0: the largest speed at any node, else unit speed.
        for (int n = 0; n < FNodeCount; ++n) speed = std::max(speed, std::hypot(FNodeUx[n], FNodeUy[n]));
        if (speed == 0) speed = 1;
    }
    FPlot->VectorScale = FMinEdge / speed;
}

void TfrmMain::Timer1Timer() {
    Timer1->stop();
    if (FProgress >= 1) {
        close_recording_file();
        FetchNodeValues();
        FOpticsIntPar[1] = 0;
        FProgress = 0;
        DrawExecute();
        MyProgressBar1->SetProgress(0);
        MyProgressBar1->SetTextForeColor(kGaugeRed);
        MyProgressBar1->SetText(Text("StartSimulation"));
        ValList->setEnabled(true);
        return;
    }
    step(&FProgress);
    auto span = MyProgressBar1->MaxValue() - MyProgressBar1->MinValue();
    MyProgressBar1->SetProgress(static_cast<std::int64_t>(static_cast<double>(span) * FProgress));
    MyProgressBar1->SetText(Text("SimulationRunning") + " ($p%)...");
    if (FStepCount % FDrawInterval == 0) {
        FetchNodeValues();
        if (FStepCount == 0) TakeFirstFetchRanges();
        DrawExecute();
    }
    ++FStepCount;
    if (!FStepMode) Timer1->start();
}

// ---------------------------------------------------------------- plot

void TfrmMain::DrawExecute() {
    // Nothing before the first fetch of the first run: the optics would
    // stop the process on a grid of no nodes.
    if (!FPlot || !FNodeR || FNodeCount <= 0) return;
    if (FStepCount == 0) {
        FitView();
        bool peaks = FCaseId == 2 || FCaseId == 4;
        FMidValue[0] = peaks ? FRMax : (FRMax + FRMin) / 2;
        FMidValue[1] = peaks ? FPMax : (FPMax + FPMin) / 2;
        FMidValue[2] = (FUxMax + FUxMin) / 2;
        FMidValue[3] = (FUyMax + FUyMin) / 2;
    }
    FPlot->CellNodes = FCellNodes.get();
    FPlot->NodeCount = FNodeCount;
    FPlot->CellStride = FCapacity;
    FPlot->CellCount = FCellCount;
    FPlot->ImageRGB = FOpticsIntPar[kColour];

    if (FPhotoMode) {
        ioparainput();
        TracePhotograph(true);
        MyOpenGL1->SetView(FPhotoX0, FPhotoX1, FPhotoY0, FPhotoY1, 0, 1);
        FPlot->Image = FPhotoImage.get();
        FPlot->ImageNx = FPhotoWidth;
        FPlot->ImageNy = FPhotoHeight;
        FPlot->ImageX0 = FPhotoX0;
        FPlot->ImageY0 = FPhotoY0;
        FPlot->ImageX1 = FPhotoX1;
        FPlot->ImageY1 = FPhotoY1;
        MyOpenGL1->DraftOn = false;
        MyOpenGL1->LegendOn = false;
        FPlot->ImageGridX = FPhotoX.get();
        FPlot->ImageGridY = FPhotoY.get();
        FPlot->Intensity = FPhotoValue.get();
        FPlot->PhotoMode = chkContour->isChecked();
        FPlot->ShowContour = FPlot->ShowContourLines = FPlot->ShowVector = false;
        FPlot->ShowGrid = chkMesh->isChecked();
        // The grid drawn is the traced image grid.
        FPlot->NodeX = FPhotoX.get();
        FPlot->NodeY = FPhotoY.get();
        FPlot->CellNodes = FPhotoCellNodes.get();
        FPlot->NodeCount = FPhotoNodeCount;
        FPlot->CellCount = FPhotoCellCount;
    } else {
        FPlot->PhotoMode = false;
        FPlot->NodeX = FNodeX.get();
        FPlot->NodeY = FNodeY.get();
        FPlot->ShowGrid = chkMesh->isChecked();
        FPlot->ShowVector = chkVector->isChecked();
        FPlot->ShowContour = chkContour->isChecked();
        FPlot->ShowContourLines = chkContourLines->isChecked();
        MyOpenGL1->DraftOn = false;
        // One level more than lines, within what the plot draws.
        FPlot->ContourLineCount = std::min(FContourLevels, kMaxContourLevels - 1) + 1;

        int variable = FContourVariable >= 1 && FContourVariable <= 3 ? FContourVariable : 0;
        const double* values[] = {FNodeR.get(), FNodeP.get(), FNodeUx.get(), FNodeUy.get()};
        FPlot->setVariables(FNodeX.get(), FNodeY.get(), FNodeCount, FCellNodes.get(), FNodeUx.get(), FNodeUy.get(),
                            values[variable]);
        FPlot->ValueMid = FMidValue[variable];

        if (!chkContour->isChecked() && !chkContourLines->isChecked())
            MyOpenGL1->LegendOn = false;
        else if (FShowLegend)
            MyOpenGL1->LegendOn = true;
        MyOpenGL1->LegendMin = FPlot->ValueMin;
        MyOpenGL1->LegendMax = FPlot->ValueMax;
        MyOpenGL1->LegendMid = FPlot->ValueMid;
    }
    MyOpenGL1->repaint();
}

void TfrmMain::TracePhotograph(bool flatten) {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0, pixel = 0;
    if (FOpticsIntPar[kWindowSet] != 0) {
        x0 = MyOpenGL1->ViewXMin;
        y0 = MyOpenGL1->ViewYMin;
        x1 = MyOpenGL1->ViewXMax;
        y1 = MyOpenGL1->ViewYMax;
        pixel = MyOpenGL1->width() > 0 ? (x1 - x0) / MyOpenGL1->width() : 0;
    }
    if (flatten) {
        FRaySetCount = 1;
        FlattenShapes();
    }
    OPTICS_SHADOWGRAPH_A(FOpticsRealPar.get(), FOpticsIntPar.get(), FElementPar.get(), FElementCode.get(),
                         &FElementCount, FNodeX.get(), FNodeY.get(), &FNodeCount, FCellNodes.get(), &FCellCount,
                         FHangNodes.get(), &FHangCount, FNodeR.get(), FPhotoX.get(), FPhotoY.get(), &FPhotoNodeCount,
                         &FPhotoCellCount, FPhotoCellNodes.get(), FPhotoValue.get(), &x0, &y0, &x1, &y1, &pixel,
                         &FPhotoX0, &FPhotoY0, &FPhotoX1, &FPhotoY1, &FPhotoWidth, &FPhotoHeight,
                         FPhotoImage.get());
}

void TfrmMain::FitView() {
    auto box = [this](const double* x, const double* y, int count) {
        if (count <= 0) return;
        auto [xa, xb] = std::minmax_element(x, x + count);
        auto [ya, yb] = std::minmax_element(y, y + count);
        FXMin = *xa;
        FXMax = *xb;
        FYMin = *ya;
        FYMax = *yb;
    };
    if (FPhotoMode && FNodeR && FNodeCount > 0) {
        ioparainput();
        TracePhotograph(false);
        box(FPhotoX.get(), FPhotoY.get(), FPhotoNodeCount);
    } else if (FNodeX && FNodeCount > 0) {
        box(FNodeX.get(), FNodeY.get(), FNodeCount);
    }
    double mx = 0.08 * (FXMax - FXMin), my = 0.08 * (FYMax - FYMin);
    MyOpenGL1->SetView(FXMin - mx, FXMax + mx, FYMin - my, FYMax + my, 0, 1);
    // Room for the legend on the right; the photograph has none and shows
    // its whole picture.
    FPlot->SetOriginalXY(FPhotoMode ? 0.0f : static_cast<float>(-0.04 * (FXMax - FXMin)), 0);
    MyOpenGL1->update();
}

void TfrmMain::ioparainput() {
    if (FOpticsIntPar[kImagePlace] > kWithoutFlow) FOpticsIntPar[kImagePlace] -= kWithoutFlow;
    if (!FIncludeFlow) FOpticsIntPar[kImagePlace] += kWithoutFlow;
    FOpticsIntPar[kRecordingUnit] = cbRecordingUnit->currentIndex();
}

void TfrmMain::chkMeshClick() { DrawExecute(); }

void TfrmMain::chkVectorClick() { DrawExecute(); }

void TfrmMain::chkContourClick() {
    if (chkContour->isChecked() && !FPhotoMode && frmContourSettings) platform::ShowModal(*frmContourSettings);
    DrawExecute();
}

void TfrmMain::chkContourLinesClick() {
    if (chkContourLines->isChecked() && frmContourLineSettings) platform::ShowModal(*frmContourLineSettings);
    DrawExecute();
}

void TfrmMain::mnuContours1Click() {
    if (chkContour->isChecked()) {
        if (frmContourSettings) platform::ShowModal(*frmContourSettings);
        DrawExecute();
    }
}

void TfrmMain::sbLegendClick() {
    if (!FPlot->ShowContour && !FPlot->ShowContourLines) return;
    MyOpenGL1->LegendOn = !MyOpenGL1->LegendOn;
    FShowLegend = MyOpenGL1->LegendOn;
    MyOpenGL1->update();
}

void TfrmMain::tbLeftClick() {
    MyOpenGL1->ViewTransX -= static_cast<float>(0.1 * (FXMax - FXMin));
    MyOpenGL1->update();
}

void TfrmMain::tbRightClick() {
    MyOpenGL1->ViewTransX += static_cast<float>(0.1 * (FXMax - FXMin));
    MyOpenGL1->update();
}

void TfrmMain::tbUpClick() {
    MyOpenGL1->ViewTransY += static_cast<float>(0.1 * (FYMax - FYMin));
    MyOpenGL1->update();
}

void TfrmMain::tbDownClick() {
    MyOpenGL1->ViewTransY -= static_cast<float>(0.1 * (FYMax - FYMin));
    MyOpenGL1->update();
}

void TfrmMain::tbZoomInClick() {
    MyOpenGL1->ViewScaleX += 0.1f;
    MyOpenGL1->ViewScaleY += 0.1f;
    MyOpenGL1->update();
}

void TfrmMain::tbZoomOutClick() {
    MyOpenGL1->ViewScaleX -= 0.1f;
    MyOpenGL1->ViewScaleY -= 0.1f;
    MyOpenGL1->update();
}

void TfrmMain::tbRestoreClick() {
    MyOpenGL1->RestoreToInit();
    MyOpenGL1->update();
}

void TfrmMain::tbCopy1Click() { MyOpenGL1->CopyPicture(MyOpenGL1->rect()); }

void TfrmMain::tbAbout1Click() {
    if (AboutBox) AboutBox->show();
}

void TfrmMain::sbGrayscaleClick() {
    FPhotoMode = !FPhotoMode;
    Watch1->menuAction()->setVisible(FPhotoMode);
    UpdateMenuBar();
    if (FPhotoMode) {
        PanelBottom->show();
        TabSheetModelResize();
    }
    sbGrayscale->setToolTip(FPhotoMode ? "Conventional plot" : "Simulated photo");
    if (!FNodeR || FNodeCount <= 0) return;
    chkContour->setText(FPhotoMode ? "Photo" : "Contour");
    FitLeftPanelTexts();
    chkContourLines->setVisible(!FPhotoMode);
    chkVector->setVisible(!FPhotoMode);
    SetImageIndex(sbGrayscale, FPhotoMode ? kImagePhoto : kImagePlot);
    FitView();
    DrawExecute();
}

void TfrmMain::WatchDefault() {
    Watch1->menuAction()->setVisible(FPhotoMode);
    WatchNoCheck();
    switch (FOpticsIntPar[kImagePlace]) {
        case 1: Imageonleftwindow1->setChecked(true); break;
        case 2: Imageonrightwindow1->setChecked(true); break;
        case 3: Imageonrecordingplane1->setChecked(true); break;
        default: break;
    }
    FIncludeFlow = true;
    UpdateMenuBar();
}

void TfrmMain::WatchNoCheck() {
    for (QAction* item : {Imageonleftwindow1, Imageonrightwindow1, Imageonrecordingplane1}) item->setChecked(false);
    if (FOpticsIntPar[kImagePlace] > kWithoutFlow) FOpticsIntPar[kImagePlace] -= kWithoutFlow;
}

void TfrmMain::ImagePlaceClick(QAction* item, int place) {
    WatchNoCheck();
    item->setChecked(true);
    FOpticsIntPar[kImagePlace] = place;
    DrawExecute();
}

void TfrmMain::Imageonleftwindow1Click() { ImagePlaceClick(Imageonleftwindow1, 1); }

void TfrmMain::Imageonrightwindow1Click() { ImagePlaceClick(Imageonrightwindow1, 2); }

void TfrmMain::Imageonrecordingplane1Click() { ImagePlaceClick(Imageonrecordingplane1, 3); }

void TfrmMain::Includeflowperturbations1Click() {
    FIncludeFlow = !FIncludeFlow;
    Includeflowperturbations1->setText(FIncludeFlow ? "Remove flow data" : "Add flow data");
    DrawExecute();
}

void TfrmMain::colororgrayscale1Click() {
    if (FOpticsIntPar[kColour] == 1) {
        colororgrayscale1->setText("Switch to color from grayscale");
        FOpticsIntPar[kColour] = 0;
    } else {
        colororgrayscale1->setText("Switch to grayscale from color");
        FOpticsIntPar[kColour] = 1;
    }
    DrawExecute();
}

void TfrmMain::dofirstorderraytracing1Click() {
    if (FOpticsIntPar[kRayOrder] == 1) {
        dofirstorderraytracing1->setText("Do second-order ray tracing");
        FOpticsIntPar[kRayOrder] = 0;
    } else {
        dofirstorderraytracing1->setText("Do first-order ray tracing ");
        FOpticsIntPar[kRayOrder] = 1;
    }
    DrawExecute();
}

// ---------------------------------------------------------------- languages

void TfrmMain::ApplyLanguage() {
    File1->setTitle(Text("File"));
    Language1->setTitle(Text("SelectLanguage"));
    FileExit1->setText(Text("Exit"));
    Edit1->setTitle(Text("Edit"));
    mnuCopyPicture->setText(Text("CopyPicture"));
    ObjectProperties1->setText(Text("ObjectProperties"));
    mnuContours1->setText(Text("ContourSettings"));
    View1->setTitle(Text("View"));
    ViewSpecifications->setText(Text("ViewSpecification"));
    ViewOpticalModel1->setText(Text("ViewModel"));
    mnuGoNow1->setText(Text("GoNow"));
    mnuPause1->setText(Text("Pause"));
    Run1->setTitle(Text("Run"));
    Help1->setTitle(Text("Help"));
    HelpAbout1->setText(Text("About"));
    tbRun1->setToolTip(Text("GoNow"));
    tbPause->setToolTip(!(FProgress > 0) || Timer1->isActive() ? Text("Pause") : Text("Resume"));
    tbCopy1->setToolTip(Text("CopyPicture"));
    sbLegend->setToolTip(Text("ShowLegend"));
    tbObjProperty->setToolTip(Text("ObjectProperties"));
    tbViewSpecifications->setToolTip(Text("ViewSpecification"));
    tbViewModels->setToolTip(Text("ViewModel"));
    sbGrayscale->setToolTip(Text("Grayscale"));
    tbAbout1->setToolTip(Text("About"));
    tbLeft->setToolTip(Text("PanLeft"));
    tbRight->setToolTip(Text("PanRight"));
    tbUp->setToolTip(Text("PanUp"));
    tbDown->setToolTip(Text("PanDown"));
    tbZoomIn->setToolTip(Text("ZoomIn"));
    tbZoomOut->setToolTip(Text("ZoomOut"));
    tbRestore->setToolTip(Text("Restore"));
    lblModelAndFlow->setText(Text("ModelAndFlow"));
    // The menu offers three languages.
    int languages = std::min(FLanguage->LanguageCount(), static_cast<int>(FLangItems.size()));
    for (int i = 0; i < languages; ++i) FLangItems[i]->setText(QString::fromStdString(FLanguage->GetLanguageName(i)));
    for (QAction* item : FLangItems) item->setChecked(item->data().toInt() == FLanguage->CurrentIndex());
    MyProgressBar1->SetText(Text("StartSimulation"));
    lblLowest->setText(Text("Lowest"));
    lblHighest->setText(Text("Highest"));
    lblResolution->setText(Text("Resolution"));
    lblFastest->setText(Text("Fastest"));
    lblSlowest->setText(Text("Slowest"));
    lblSpeed->setText(Text("Speed"));
    sbWedge->setToolTip(Text("Wedge"));
    sbCone->setToolTip(Text("Cone"));
    sbSphere->setToolTip(Text("Sphere"));
    sbMore->setToolTip(Text("More"));
    for (TValueListEditor* list : {ValList, ValueList2}) {
        list->SetTitles(Text("Parameters"), Text("Value"));
        list->update();
    }
    grpPlot->setTitle(Text("Plot"));
    chkMesh->setText(Text("Mesh"));
    chkVector->setText(Text("Vector"));
    chkContour->setText(Text("Contour"));
    chkContourLines->setText(Text("ContourLines"));
    PageOpticalModel->setTabText(PageOpticalModel->indexOf(TabSheetModel), Text("OpticalModel"));
    btnOK->setText(Text("Ok"));
    FitLeftPanelTexts();
}

void TfrmMain::FitLeftPanelTexts() {
    SplitColumns({{lblResolution, lblSpeed}, {lblLowest, lblHighest}, {lblFastest, lblSlowest}}, 4, 186, 90, 2);
    SplitColumns({{chkContour, chkContourLines}, {chkVector, chkMesh}}, 8, 188, 88, 0);
}

void TfrmMain::SetLanguage(int index) {
    FLanguage->SelectLanguage(index);
    ApplyLanguage();
}

void TfrmMain::Lang0Click() { SetLanguage(Lang0->data().toInt()); }

void TfrmMain::Lang1Click() { SetLanguage(Lang1->data().toInt()); }

void TfrmMain::Lang2Click() { SetLanguage(Lang2->data().toInt()); }

// ---------------------------------------------------------------- Tecplot export

void TfrmMain::Save1Click() {
    SaveDialog1.DefaultExt = "cfd";
    SaveDialog1.FileName = "*." + SaveDialog1.DefaultExt;
    SaveDialog1.Filter = SaveDialog1.FileName;
    if (!SaveDialog1.Execute(this)) return;
    if (!WriteTecplotFile(SaveDialog1.FileName))
        platform::MessageBox("Could not save file " + SaveDialog1.FileName, QApplication::applicationDisplayName(),
                             platform::MsgButtons::Ok, platform::MsgIcon::None, this);
}

// Tecplot ASCII, finite-element points, one zone of quadrilaterals: x, y,
// density, pressure and velocity per node, then the four nodes (from 1) of
// each cell.
bool TfrmMain::WriteTecplotFile(const QString& fileName) const {
    std::FILE* file = std::fopen(QFile::encodeName(fileName).constData(), "w+");
    if (!file) return false;
    std::string text = "title =  \"QELTA data file \"\n";
    text += "variables =\"x\",\"y\",\"r\",\"p\",\"ux\",\"uy\"\n";
    text += "zone N=" + std::to_string(FNodeCount) + ", E=" + std::to_string(FCellCount) +
            " ,F=FEPOINT,ET=QUADRILATERAL\n";
    bool ok = std::fputs(text.c_str(), file) >= 0;
    const double* columns[] = {FNodeX.get(), FNodeY.get(), FNodeR.get(), FNodeP.get(), FNodeUx.get(), FNodeUy.get()};
    for (int n = 0; ok && FNodeX && n < FNodeCount; ++n) {
        text.clear();
        for (int k = 0; k < 6; ++k) {
            if (k > 0) text += ' ';
            AppendFixed(text, columns[k][n]);
        }
        text += '\n';
        ok = std::fputs(text.c_str(), file) >= 0;
    }
    for (int c = 0; ok && FCellNodes && c < FCellCount; ++c) {
        text.clear();
        for (int k = 0; k < 4; ++k) {
            if (k > 0) text += ' ';
            text += std::to_string(FCellNodes[c + static_cast<std::size_t>(k) * FCapacity]);
        }
        text += '\n';
        ok = std::fputs(text.c_str(), file) >= 0;
    }
    ok = std::fclose(file) == 0 && ok;
    return ok;
}

}  // namespace vorlantic

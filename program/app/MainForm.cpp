// The main window's construction: its controls as designed, the menus, the
// tool bar, the left panel and the bench panel, and the connection of every
// control to its handler through the default handler of errors. The
// handlers live in the files of their panels (Main*.cpp).
#include "app/Main.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/CaseIcons.h"
#include "app/Language.h"
#include "app/MainShared.h"
#include "controls/MyOpenGL.h"
#include "controls/MyProgressBar.h"
#include "controls/ValueListEditor.h"
#include "platform/Errors.h"
#include "app/BenchShapes.h"

namespace vorlantic {

TfrmMain* frmMain = nullptr;

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

}  // namespace vorlantic

// The languages of the main window: every text of its controls from the
// text table, and the language menu.
#include "app/Main.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

#include "app/Language.h"
#include "controls/MyProgressBar.h"
#include "controls/ValueListEditor.h"

namespace vorlantic {

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

void TfrmMain::SetLanguage(int index) {
    FLanguage->SelectLanguage(index);
    ApplyLanguage();
}

void TfrmMain::Lang0Click() { SetLanguage(Lang0->data().toInt()); }

void TfrmMain::Lang1Click() { SetLanguage(Lang1->data().toInt()); }

void TfrmMain::Lang2Click() { SetLanguage(Lang2->data().toInt()); }

}  // namespace vorlantic

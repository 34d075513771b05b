// The layout arithmetic of the main window: the left panel stacked from its
// bottom, its label and check-box columns sized to their texts, and the
// panels shown and hidden.
#include "app/Main.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QSplitter>
#include <QToolButton>
#include <QWidget>

#include <algorithm>
#include <initializer_list>
#include <utility>

#include "controls/MyProgressBar.h"
#include "controls/ValueListEditor.h"

namespace vorlantic {

namespace {

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

void TfrmMain::FitLeftPanelTexts() {
    SplitColumns({{lblResolution, lblSpeed}, {lblLowest, lblHighest}, {lblFastest, lblSlowest}}, 4, 186, 90, 2);
    SplitColumns({{chkContour, chkContourLines}, {chkVector, chkMesh}}, 8, 188, 88, 0);
}

}  // namespace vorlantic

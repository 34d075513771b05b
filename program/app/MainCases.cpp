// The case panel of the main window: the case buttons, the parameter rows
// and their checks against the limits the library accepts.
#include "app/Main.h"

#include <QLabel>
#include <QToolButton>

#include <cmath>
#include <limits>

#include "app/MainShared.h"
#include "controls/MyOpenGL.h"
#include "controls/Shapes.h"
#include "controls/ValueListEditor.h"
#include "platform/FloatText.h"
#include "platform/MessageBoxes.h"
#include "platform/StrictConvert.h"
#include "qelta_limits.h"
#include "controls/MyProgressBar.h"

namespace vorlantic {

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

bool TfrmMain::PanelShowsRunCase() const {
    if (!FRealPar || !FIntPar || FIntPar[4] != FCaseId) return false;
    auto row = [](const TValueListEditor* list, int r) {
        return platform::StrToFloatDef(list->Value(r), std::numeric_limits<double>::quiet_NaN());
    };
    // As PreProcessingforRun1 fills the blocks.
    const bool twoRows = FCaseId == 1 || FCaseId == 3;
    const double mach = twoRows ? row(ValueList2, 1) : row(ValList, 2);
    const double angle = twoRows ? 0 : row(ValList, 1);
    const double gamma = twoRows ? row(ValueList2, 2) : row(ValList, 3);
    return mach == FRealPar[1] && angle == FRealPar[2] && gamma == FRealPar[3];
}

bool TfrmMain::RunKeepsItsCase(int caseId) {
    if (!FRunHeld) return false;
    if (caseId == FCaseId && PanelShowsRunCase()) return true;
    EndRun();
    return false;
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
    if (RunKeepsItsCase(2)) return;
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
    if (RunKeepsItsCase(4)) return;
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
    if (RunKeepsItsCase(3)) return;
    SelectCase(sbSphere, 3, 1, ":  Shock/Sphere Interaction", ValueList2,
               {"Shock Mach Number: ", "Ratio of Specific Heats: "});
    FCaseText = sbSphere->toolTip();
    Label1->setText(FCaseText);
    ClearPlot();
    ShowDraft(3);
}

void TfrmMain::sbCylinderClick() {
    if (RunKeepsItsCase(1)) return;
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
    if (RunKeepsItsCase(6)) return;
    SelectCase(sbCylindricalexplosion, 6, 1, ":  Spherical explosion", ValList,
               {"Minlev: ", "Shock Mach Number: ", "Ratio of Specific Heats: "});
    FCaseText = sbCylindricalexplosion->toolTip();
    Label1->setText(FCaseText);
}

void TfrmMain::sbNACA0012Click() {
    if (RunKeepsItsCase(102)) return;
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
    if (RunKeepsItsCase(0)) return;
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

    using qelta::limits::max_body_angle;
    using qelta::limits::min_body_angle;
    using qelta::limits::max_gamma;
    using qelta::limits::min_gamma;
    using qelta::limits::min_shock_mach;
    // The window's own cap of the Mach number, far below the library's.
    constexpr double kMaxMach = 10;

    FAngle = read(1, 30);
    if (!(FAngle >= min_body_angle)) correct(1, "Wedge angle should be positive.", "Error", MsgIcon::Error, 0.001);
    if (FAngle > max_body_angle)
        correct(1, "Wedge angle should be below 90 degrees.", "Error", MsgIcon::Error, max_body_angle);

    FMach = read(2, 3);
    if (!(FMach >= min_shock_mach))
        correct(2, "Shock Mach number must be greater than 1.", "Error", MsgIcon::Error, 1.001);
    if (FMach > kMaxMach)
        correct(2,
                "Numerical results can be different from the reality significantly for a strong shock wave. "
                "The Mach number is set below 10.",
                "Warning", MsgIcon::Warning, kMaxMach);

    FGamma = read(3, 1.4);
    if (!(FGamma >= 1))
        correct(3, "The ratio of specific heats should be greater than 1.", "Error", MsgIcon::Error, min_gamma);
    if (FGamma > max_gamma)
        correct(3, "The ratio of specific heats should be at most 3.", "Error", MsgIcon::Error, max_gamma);
}

}  // namespace vorlantic

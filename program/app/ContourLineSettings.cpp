#include "app/ContourLineSettings.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/Main.h"
#include "platform/StrictConvert.h"

namespace vorlantic {

TfrmContourLineSettings* frmContourLineSettings = nullptr;

TfrmContourLineSettings::TfrmContourLineSettings(QWidget* parent)
    : TContourDialog(parent, "Contour Line Settings", "titleContourLines", "Variables", {"Density", "Pressure"}, 102) {
    lblLineNumber = new QLabel("Line number", this);
    lblLineNumber->setGeometry(8, 54, 120, 16);
    edLineNum = new QLineEdit("4", this);
    edLineNum->setGeometry(8, 72, 120, 22);
    setTabOrder(edLineNum, btnOK);
}

void TfrmContourLineSettings::ApplyOwnLanguage() { lblLineNumber->setText(LanguageText("LineNumber")); }

void TfrmContourLineSettings::ShowSettings() {
    if (frmMain) edLineNum->setText(QString::number(frmMain->FContourLevels));
}

void TfrmContourLineSettings::btnOKClick() {
    const int count = platform::StrToInt(edLineNum->text());
    if (count > kMaxLineCount)
        throw platform::EConvertError(QString("%1 contour lines are more than the plot can draw: at most %2")
                                          .arg(count)
                                          .arg(kMaxLineCount)
                                          .toStdString());
    if (count > 0 && frmMain) frmMain->FContourLevels = count;
    if (frmMain) frmMain->FContourVariable = cbVariables->currentIndex();
}

}  // namespace vorlantic

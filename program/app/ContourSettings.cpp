#include "app/ContourSettings.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

#include "app/Main.h"
#include "platform/Errors.h"

namespace vorlantic {

TfrmContourSettings* frmContourSettings = nullptr;

// ---------------------------------------------------------------- TContourDialog

TContourDialog::TContourDialog(QWidget* parent, const QString& caption, const char* titleKey,
                               const QString& variableLabel, const QStringList& variables, int okTop)
    : QDialog(parent, Qt::Tool), FTitleKey(titleKey) {
    setWindowTitle(caption);
    lblVariable = new QLabel(variableLabel, this);
    lblVariable->setGeometry(8, 8, 120, 16);
    cbVariables = new QComboBox(this);
    cbVariables->setGeometry(8, 26, 120, 22);
    cbVariables->addItems(variables);
    cbVariables->setCurrentIndex(0);
    btnOK = new QPushButton("OK", this);
    btnOK->setGeometry(30, okTop, 75, 25);
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, [this] {
        platform::CallHandler([this] { btnOKClick(); });
        accept();
    });
    FormCreate();
}

void TContourDialog::FormCreate() {
    setFixedSize(cbVariables->x() + cbVariables->width() + lblVariable->x(),
                 btnOK->y() + btnOK->height() + lblVariable->y());
}

void TContourDialog::FormShow() {
    ApplyLanguage();
    ShowSettings();
    if (!frmMain) return;
    if (frmMain->FContourVariable >= 0) cbVariables->setCurrentIndex(frmMain->FContourVariable);
    move(frmMain->x() + frmMain->PanelLeft->width() - width(), y());
}

void TContourDialog::ApplyLanguage() {
    if (!isVisible()) return;
    setWindowTitle(LanguageText(FTitleKey));
    btnOK->setText(LanguageText("Ok"));
    lblVariable->setText(LanguageText("Variable"));
    cbVariables->clear();
    for (const char* key : {"Density", "Pressure", "U", "V"}) cbVariables->addItem(LanguageText(key));
    ApplyOwnLanguage();
}

void TContourDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) platform::CallHandler([this] { FormShow(); });
}

// ---------------------------------------------------------------- TfrmContourSettings

TfrmContourSettings::TfrmContourSettings(QWidget* parent)
    : TContourDialog(parent, "Contour settings", "titleContour", "Variable", {"Density", "Pressure", "U", "V"}, 56) {}

void TfrmContourSettings::btnOKClick() {
    if (frmMain) frmMain->FContourVariable = cbVariables->currentIndex();
}

}  // namespace vorlantic

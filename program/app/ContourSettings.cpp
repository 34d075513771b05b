#include "app/ContourSettings.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

#include "app/Language.h"
#include "app/Main.h"
#include "platform/Errors.h"

namespace vorlantic {

TfrmContourSettings* frmContourSettings = nullptr;

namespace {

QString LanguageText(const char* key) {
    return frmMain && frmMain->FLanguage ? QString::fromStdString(frmMain->FLanguage->GetText(key)) : QString();
}

}  // namespace

TfrmContourSettings::TfrmContourSettings(QWidget* parent) : QDialog(parent, Qt::Tool) {
    setWindowTitle("Contour settings");
    lblVariable = new QLabel("Variable", this);
    lblVariable->setGeometry(8, 8, 120, 16);
    cbVariables = new QComboBox(this);
    cbVariables->setGeometry(8, 26, 120, 22);
    cbVariables->addItems({"Density", "Pressure", "U", "V"});
    cbVariables->setCurrentIndex(0);
    btnOK = new QPushButton("OK", this);
    btnOK->setGeometry(30, 56, 75, 25);
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, [this] {
        platform::CallHandler([this] { btnOKClick(); });
        accept();
    });
    FormCreate();
}

void TfrmContourSettings::FormCreate() {
    setFixedSize(cbVariables->x() + cbVariables->width() + lblVariable->x(),
                 btnOK->y() + btnOK->height() + lblVariable->y());
}

void TfrmContourSettings::FormShow() {
    ApplyLanguage();
    if (frmMain && frmMain->FContourVariable >= 0) cbVariables->setCurrentIndex(frmMain->FContourVariable);
    if (frmMain) move(frmMain->x() + frmMain->PanelLeft->width() - width(), y());
}

void TfrmContourSettings::ApplyLanguage() {
    if (!isVisible()) return;
    setWindowTitle(LanguageText("titleContour"));
    btnOK->setText(LanguageText("Ok"));
    lblVariable->setText(LanguageText("Variable"));
    cbVariables->clear();
    for (const char* key : {"Density", "Pressure", "U", "V"}) cbVariables->addItem(LanguageText(key));
}

void TfrmContourSettings::btnOKClick() {
    if (frmMain) frmMain->FContourVariable = cbVariables->currentIndex();
}

void TfrmContourSettings::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) platform::CallHandler([this] { FormShow(); });
}

}  // namespace vorlantic

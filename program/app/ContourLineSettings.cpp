#include "app/ContourLineSettings.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

#include "app/Language.h"
#include "app/Main.h"
#include "platform/Errors.h"
#include "platform/StrictConvert.h"

namespace vorlantic {

TfrmContourLineSettings* frmContourLineSettings = nullptr;

namespace {

QString LanguageText(const char* key) {
    return frmMain && frmMain->FLanguage ? QString::fromStdString(frmMain->FLanguage->GetText(key)) : QString();
}

}  // namespace

TfrmContourLineSettings::TfrmContourLineSettings(QWidget* parent) : QDialog(parent, Qt::Tool) {
    setWindowTitle("Contour Line Settings");
    lblVariable = new QLabel("Variables", this);
    lblVariable->setGeometry(8, 8, 120, 16);
    cbVariables = new QComboBox(this);
    cbVariables->setGeometry(8, 26, 120, 22);
    cbVariables->addItems({"Density", "Pressure"});
    cbVariables->setCurrentIndex(0);
    lblLineNumber = new QLabel("Line number", this);
    lblLineNumber->setGeometry(8, 54, 120, 16);
    edLineNum = new QLineEdit("4", this);
    edLineNum->setGeometry(8, 72, 120, 22);
    btnOK = new QPushButton("OK", this);
    btnOK->setGeometry(30, 102, 75, 25);
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, [this] {
        platform::CallHandler([this] { btnOKClick(); });
        accept();
    });
    FormCreate();
}

void TfrmContourLineSettings::FormCreate() {
    setFixedSize(cbVariables->x() + cbVariables->width() + lblVariable->x(),
                 btnOK->y() + btnOK->height() + lblVariable->y());
}

void TfrmContourLineSettings::FormShow() {
    ApplyLanguage();
    if (frmMain) {
        edLineNum->setText(QString::number(frmMain->FContourLevels));
        if (frmMain->FContourVariable >= 0) cbVariables->setCurrentIndex(frmMain->FContourVariable);
        move(frmMain->x() + frmMain->PanelLeft->width() - width(), y());
    }
}

void TfrmContourLineSettings::ApplyLanguage() {
    if (!isVisible()) return;
    setWindowTitle(LanguageText("titleContourLines"));
    btnOK->setText(LanguageText("Ok"));
    lblVariable->setText(LanguageText("Variable"));
    cbVariables->clear();
    for (const char* key : {"Density", "Pressure", "U", "V"}) cbVariables->addItem(LanguageText(key));
    lblLineNumber->setText(LanguageText("LineNumber"));
}

void TfrmContourLineSettings::btnOKClick() {
    const int count = platform::StrToInt(edLineNum->text());
    if (count > 0 && frmMain) frmMain->FContourLevels = count;
    if (frmMain) frmMain->FContourVariable = cbVariables->currentIndex();
}

void TfrmContourLineSettings::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) platform::CallHandler([this] { FormShow(); });
}

}  // namespace vorlantic

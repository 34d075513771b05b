#include "app/ObjectDetails.h"

#include <QComboBox>
#include <QShowEvent>

#include "app/BenchShapes.h"
#include "app/Main.h"
#include "controls/ValueListEditor.h"
#include "platform/Errors.h"
#include "platform/FloatText.h"
#include "platform/StrictConvert.h"

namespace vorlantic {

TfrmProperty* frmProperty = nullptr;

namespace {

bool HasFlowData() { return frmMain && frmMain->FNodeR && frmMain->FNodeCount > 0; }

}  // namespace

TfrmProperty::TfrmProperty(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Property");
    cbObjects = new QComboBox(this);
    cbObjects->setGeometry(0, 0, 196, 22);
    cbSubTypes = new QComboBox(this);
    cbSubTypes->setGeometry(0, 22, 196, 22);
    ValueList = new TValueListEditor(this);
    ValueList->SetTitles("Parameters", "Value");
    ValueList->SetColumnWidths(78, 112);

    // Client width from the element list; the value list lies below it and
    // reaches the bottom.
    const int width = cbObjects->width();
    cbSubTypes->resize(width, cbSubTypes->height());
    cbObjects->move(cbObjects->x(), 0);
    ValueList->setGeometry(0, cbSubTypes->y() + cbSubTypes->height(), width, 187 - cbSubTypes->y() - cbSubTypes->height());
    setFixedSize(width, 187);
    FillObjects();

    connect(cbObjects, &QComboBox::activated, this, [this] { platform::CallHandler([this] { cbObjectsChange(); }); });
    connect(cbSubTypes, &QComboBox::activated, this,
            [this] { platform::CallHandler([this] { cbSubTypesChange(); }); });
    connect(ValueList, &TValueListEditor::KeyDown, this,
            [this](int key) { platform::CallHandler([&] { ValueListKeyDown(key); }); });
}

void TfrmProperty::FillObjects() {
    cbObjects->clear();
    if (frmMain && frmMain->FShapeManeger)
        for (const BaseShape* shape : frmMain->FShapeManeger->ShapeList)
            cbObjects->addItem(QString::fromStdString(shape->Name));
    cbObjects->setCurrentIndex(-1);
}

BaseShape* TfrmProperty::SelectedShape() const {
    if (!frmMain || !frmMain->FShapeManeger) return nullptr;
    return frmMain->FShapeManeger->GetShape(cbObjects->currentIndex());
}

void TfrmProperty::cbObjectsChange() {
    ValueList->Clear();
    BaseShape* shape = SelectedShape();
    if (!shape) return;
    cbSubTypes->clear();
    for (int i = 0; i < shape->SubTypeCount; ++i)
        cbSubTypes->addItem(QString::fromStdString(shape->SubTypeNames[i]));
    cbSubTypes->setCurrentIndex(shape->SubType);
    frmMain->FShapeManeger->Select(shape);
    cbSubTypesChange();
}

void TfrmProperty::cbSubTypesChange() {
    BaseShape* shape = SelectedShape();
    const int subType = cbSubTypes->currentIndex();
    if (!shape || subType < 0) return;
    ValueList->Clear();
    shape->SubType = subType;
    shape->SetupParameters(subType);
    for (int p = 0; p < shape->ParamCount; ++p)
        ValueList->InsertRow(QString::fromStdString(shape->ParamNames[p]),
                             platform::FloatToQString(shape->Params[p]));
}

void TfrmProperty::ValueListKeyDown(int key) {
    if (key == kVkReturn) ApplyValues();
}

void TfrmProperty::FormClose() { ApplyValues(); }

void TfrmProperty::FormShow() {
    ApplyLanguage();
    update();
}

void TfrmProperty::ApplyLanguage() {
    if (!isVisible()) return;
    setWindowTitle(LanguageText("ObjectProperties"));
    ValueList->SetTitles(LanguageText("Parameters"), LanguageText("Value"));
}

void TfrmProperty::ApplyValues() {
    if (frmMain && frmMain->FShapeManeger && cbObjects->count() != frmMain->FShapeManeger->Count()) FillObjects();
    BaseShape* shape = SelectedShape();
    if (!shape) return;
    const int subType = cbSubTypes->currentIndex();
    if (subType >= 0) {
        shape->SubType = subType;
        shape->SetupParameters(subType);
    }
    for (int p = 0; p < shape->ParamCount; ++p) {
        const double value = platform::StrToFloat(ValueList->Values(ValueList->Key(p + 1)));
        // A value the optics cannot trace stops here, as a text that is no
        // number does.
        shape->CheckParam(p, value);
        shape->Params[p] = value;
        frmMain->PlaceShape(shape);
        if (HasFlowData()) frmMain->DrawExecute();
    }
    frmMain->DrawModel();
}

void TfrmProperty::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) platform::CallHandler([this] { FormShow(); });
}

void TfrmProperty::done(int result) {
    if (!platform::CallHandler([this] { FormClose(); })) return;
    QDialog::done(result);
}

}  // namespace vorlantic

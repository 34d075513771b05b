// The element-property dialog: the sub-type and the numeric parameters of one
// element of the optical bench.
#pragma once

#include <QDialog>

class QComboBox;

namespace vorlantic {

class BaseShape;
class TValueListEditor;

class TfrmProperty : public QDialog {
    Q_OBJECT

public:
    explicit TfrmProperty(QWidget* parent = nullptr);

    // One item per bench element, its Name, in list order.
    QComboBox* cbObjects = nullptr;
    // The chosen element's sub-types.
    QComboBox* cbSubTypes = nullptr;
    // One row per parameter: its name and its value.
    TValueListEditor* ValueList = nullptr;

    void cbObjectsChange();
    void cbSubTypesChange();
    void ValueListKeyDown(int key);
    void FormClose();
    void FormShow();
    void ApplyLanguage();
    // The chosen sub-type and the values of the list into the element, which
    // is placed again; then the bench schematic is redrawn.
    void ApplyValues();

protected:
    void showEvent(QShowEvent* event) override;
    // Every way of closing (close box, Escape) ends here; the dialog stays
    // open when applying the values fails.
    void done(int result) override;

private:
    // The bench element chosen in cbObjects, null when none.
    BaseShape* SelectedShape() const;
    void FillObjects();
};

extern TfrmProperty* frmProperty;

}  // namespace vorlantic

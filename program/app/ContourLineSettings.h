// The contour-line-settings dialog: the variable and the number of contour
// lines.
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vorlantic {

class TfrmContourLineSettings : public QDialog {
    Q_OBJECT

public:
    explicit TfrmContourLineSettings(QWidget* parent = nullptr);

    QLabel* lblVariable = nullptr;
    QLabel* lblLineNumber = nullptr;
    QComboBox* cbVariables = nullptr;
    QLineEdit* edLineNum = nullptr;
    // Closes the dialog with the OK result after btnOKClick.
    QPushButton* btnOK = nullptr;

    void FormCreate();
    void FormShow();
    void ApplyLanguage();
    // A line count that is not an integer raises the conversion error and
    // stores nothing; one of 0 or below keeps the count but stores the
    // variable.
    void btnOKClick();

protected:
    void showEvent(QShowEvent* event) override;
};

extern TfrmContourLineSettings* frmContourLineSettings;

}  // namespace vorlantic

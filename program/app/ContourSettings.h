// The contour-settings dialog: the variable of the colour contours.
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

namespace vorlantic {

class TfrmContourSettings : public QDialog {
    Q_OBJECT

public:
    explicit TfrmContourSettings(QWidget* parent = nullptr);

    QLabel* lblVariable = nullptr;
    QComboBox* cbVariables = nullptr;
    // Closes the dialog with the OK result after btnOKClick.
    QPushButton* btnOK = nullptr;

    void FormCreate();
    void FormShow();
    void ApplyLanguage();
    void btnOKClick();

protected:
    void showEvent(QShowEvent* event) override;
};

extern TfrmContourSettings* frmContourSettings;

}  // namespace vorlantic

// The contour-settings dialog: the variable of the colour contours; and the
// part it shares with the contour-line-settings dialog.
#pragma once

#include <QDialog>
#include <QStringList>

class QComboBox;
class QLabel;
class QPushButton;

namespace vorlantic {

// A tool window with a variable list and an OK button that stores the choice
// in the main window (btnOKClick) and closes the dialog with the OK result.
// Shown, it takes the texts of the current language, selects the main
// window's contour variable and moves beside the main window's left panel.
class TContourDialog : public QDialog {
    Q_OBJECT

public:
    QLabel* lblVariable = nullptr;
    QComboBox* cbVariables = nullptr;
    QPushButton* btnOK = nullptr;

    // Client size from the variable list and the OK button.
    void FormCreate();
    void FormShow();
    // Only while visible: caption, OK button, variable label and the four
    // variables, then the dialog's own texts.
    void ApplyLanguage();
    virtual void btnOKClick() = 0;

protected:
    // okTop: top of the OK button, below the dialog's own controls.
    TContourDialog(QWidget* parent, const QString& caption, const char* titleKey, const QString& variableLabel,
                   const QStringList& variables, int okTop);
    virtual void ApplyOwnLanguage() {}
    // Shows the main window's settings other than the variable.
    virtual void ShowSettings() {}
    void showEvent(QShowEvent* event) override;

private:
    const char* FTitleKey;
};

class TfrmContourSettings : public TContourDialog {
    Q_OBJECT

public:
    explicit TfrmContourSettings(QWidget* parent = nullptr);

    // The selected variable (-1 when none) as the main window's.
    void btnOKClick() override;
};

extern TfrmContourSettings* frmContourSettings;

}  // namespace vorlantic

// The contour-line-settings dialog: the variable and the number of contour
// lines.
#pragma once

#include "app/ContourSettings.h"
#include "controls/Shapes.h"

class QLineEdit;

namespace vorlantic {

class TfrmContourLineSettings : public TContourDialog {
    Q_OBJECT

public:
    explicit TfrmContourLineSettings(QWidget* parent = nullptr);

    QLabel* lblLineNumber = nullptr;
    QLineEdit* edLineNum = nullptr;

    // The most lines the dialog takes (2000): the plot draws one level more.
    static constexpr int kMaxLineCount = kMaxContourLevels - 1;

    // A line count that is not an integer, or one above kMaxLineCount,
    // raises the conversion error and stores nothing; one of 0 or below keeps
    // the count but stores the variable.
    void btnOKClick() override;

protected:
    void ApplyOwnLanguage() override;
    // The main window's number of lines.
    void ShowSettings() override;
};

extern TfrmContourLineSettings* frmContourLineSettings;

}  // namespace vorlantic

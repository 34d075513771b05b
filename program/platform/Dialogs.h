// The standard dialogs of the program routed through replaceable hooks, as
// the message boxes are: the save dialog and the modal showing of a form. A
// test installs its own answerer, which records the request and answers at
// once instead of blocking.
#pragma once

#include <QString>
#include <functional>

#include "platform/ScopedHook.h"

class QDialog;
class QWidget;

namespace vorlantic::platform {

// What the save dialog is asked with; the answerer writes the chosen name
// into fileName.
struct SaveDialogRequest {
    QString initialDir;
    QString defaultExt;
    QString fileName;
    QString filter;
    QWidget* parent = nullptr;
};

// Returns false when the user cancels.
using SaveDialogHook = std::function<bool(SaveDialogRequest&)>;

// Installs hook (an empty one restores the default file dialog); returns the
// one it replaces.
SaveDialogHook SetSaveDialogHook(SaveDialogHook hook);

// The framework's save dialog: settings before Execute, the chosen file name
// in FileName after it.
class TSaveDialog {
public:
    // True when a file was chosen.
    bool Execute(QWidget* parent = nullptr);

    QString InitialDir = ".";
    QString DefaultExt;
    QString FileName;
    QString Filter;
};

// Shows a form modally and returns its result (QDialog::Accepted or
// Rejected); the hook, when installed, is called in place of exec().
using ModalHook = std::function<int(QDialog&)>;
ModalHook SetModalHook(ModalHook hook);
int ShowModal(QDialog& dialog);

using ScopedSaveDialogHook = ScopedHook<SaveDialogHook, SetSaveDialogHook>;
using ScopedModalHook = ScopedHook<ModalHook, SetModalHook>;

}  // namespace vorlantic::platform

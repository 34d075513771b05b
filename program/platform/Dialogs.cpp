#include "platform/Dialogs.h"

#include <QDialog>
#include <QFileDialog>

namespace vorlantic::platform {

namespace {

// The framework's filter "*.cfd" as a Qt name filter.
bool ShowFileDialog(SaveDialogRequest& request) {
    QFileDialog dialog(request.parent, QString(), request.initialDir, request.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(request.defaultExt);
    if (!request.fileName.contains('*')) dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    request.fileName = dialog.selectedFiles().front();
    return true;
}

}  // namespace

SaveDialogHook SetSaveDialogHook(SaveDialogHook hook) { return ReplaceHook(std::move(hook)); }

bool TSaveDialog::Execute(QWidget* parent) {
    SaveDialogRequest request{InitialDir, DefaultExt, FileName, Filter, parent};
    const SaveDialogHook& hook = HookSlot<SaveDialogHook>();
    bool chosen = hook ? hook(request) : ShowFileDialog(request);
    if (chosen) FileName = request.fileName;
    return chosen;
}

ModalHook SetModalHook(ModalHook hook) { return ReplaceHook(std::move(hook)); }

int ShowModal(QDialog& dialog) {
    const ModalHook& hook = HookSlot<ModalHook>();
    return hook ? hook(dialog) : dialog.exec();
}

}  // namespace vorlantic::platform

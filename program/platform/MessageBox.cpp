#include "platform/MessageBox.h"

#include <QMessageBox>

namespace vorlantic::platform {

QMessageBox* ShowMessage(QWidget* parent, const QString& text, const QString& caption, MessageKind kind) {
    QMessageBox::Icon icon = kind == MessageKind::Error     ? QMessageBox::Critical
                             : kind == MessageKind::Warning ? QMessageBox::Warning
                                                            : QMessageBox::Information;
    auto* box = new QMessageBox(icon, caption, text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    return box;
}

}  // namespace vorlantic::platform

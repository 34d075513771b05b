// Message boxes that do not block: the box is shown over its parent and the
// call returns at once, so the caller goes on (and a test can read the box).
#pragma once

#include <QString>

class QMessageBox;
class QWidget;

namespace vorlantic::platform {

enum class MessageKind { Error, Warning, Information };

// Shows `text` in a window-modal box captioned `caption` with one OK button;
// the box deletes itself when closed. Returns the box.
QMessageBox* ShowMessage(QWidget* parent, const QString& text, const QString& caption,
                         MessageKind kind = MessageKind::Error);

}  // namespace vorlantic::platform

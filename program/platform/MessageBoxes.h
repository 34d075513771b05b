// Modal message boxes routed through a replaceable hook: the program asks
// MessageBox and gets the button pressed; a test installs its own answerer
// (ScopedMessageHook), which records the request and answers at once.
#pragma once

#include <QString>
#include <functional>

#include "platform/ScopedHook.h"

class QWidget;

namespace vorlantic::platform {

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgIcon { None, Error, Warning, Information, Question };
enum class MsgResult { Ok, Cancel, Yes, No };

struct MessageRequest {
    QString caption;
    QString text;
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::None;
    QWidget* parent = nullptr;
};

using MessageHook = std::function<MsgResult(const MessageRequest&)>;

// Shows the box through the installed hook, by default a modal QMessageBox,
// and returns the button pressed (Cancel, or No without Cancel, when the box
// is closed otherwise).
MsgResult MessageBox(const QString& text, const QString& caption, MsgButtons buttons = MsgButtons::Ok,
                     MsgIcon icon = MsgIcon::None, QWidget* parent = nullptr);

// Installs hook (an empty one restores the modal default); returns the one
// it replaces.
MessageHook SetMessageHook(MessageHook hook);

// The default: a modal QMessageBox.
MsgResult ShowModalMessageBox(const MessageRequest& request);

using ScopedMessageHook = ScopedHook<MessageHook, SetMessageHook>;

}  // namespace vorlantic::platform

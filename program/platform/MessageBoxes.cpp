#include "platform/MessageBoxes.h"

#include <QMessageBox>

namespace vorlantic::platform {

namespace {

QMessageBox::StandardButtons ButtonsOf(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::Ok: return QMessageBox::Ok;
        case MsgButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
        case MsgButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
        case MsgButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon IconOf(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::None: return QMessageBox::NoIcon;
        case MsgIcon::Error: return QMessageBox::Critical;
        case MsgIcon::Warning: return QMessageBox::Warning;
        case MsgIcon::Information: return QMessageBox::Information;
        case MsgIcon::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

MsgResult ShowModalMessageBox(const MessageRequest& request) {
    QMessageBox box(IconOf(request.icon), request.caption, request.text, ButtonsOf(request.buttons),
                    request.parent);
    switch (box.exec()) {
        case QMessageBox::Ok: return MsgResult::Ok;
        case QMessageBox::Yes: return MsgResult::Yes;
        case QMessageBox::No: return MsgResult::No;
        default: break;
    }
    // Closed by the window's close button or Escape.
    if (request.buttons == MsgButtons::Ok) return MsgResult::Ok;
    return request.buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Cancel;
}

MsgResult MessageBox(const QString& text, const QString& caption, MsgButtons buttons, MsgIcon icon,
                     QWidget* parent) {
    MessageRequest request{caption, text, buttons, icon, parent};
    const MessageHook& hook = HookSlot<MessageHook>();
    return hook ? hook(request) : ShowModalMessageBox(request);
}

MessageHook SetMessageHook(MessageHook hook) { return ReplaceHook(std::move(hook)); }

}  // namespace vorlantic::platform

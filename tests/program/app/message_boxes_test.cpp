// Message boxes through the replaceable hook, the modal default, and the
// default handler of errors that leave an event handler.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <vector>

#include "platform/Errors.h"
#include "platform/MessageBoxes.h"

using namespace vorlantic::platform;

namespace {

struct Recorder {
    std::vector<MessageRequest> calls;
    MsgResult answer = MsgResult::Ok;
    MessageHook Hook() {
        return [this](const MessageRequest& r) {
            calls.push_back(r);
            return answer;
        };
    }
};

TEST(MessageBoxes, HookAnswersAndIsRestored) {
    Recorder outer, inner;
    {
        ScopedMessageHook a(outer.Hook());
        EXPECT_EQ(MessageBox("Wedge angle should be positive.", "Error", MsgButtons::Ok, MsgIcon::Error),
                  MsgResult::Ok);
        {
            ScopedMessageHook b(inner.Hook());
            inner.answer = MsgResult::No;
            EXPECT_EQ(MessageBox("Save?", "Question", MsgButtons::YesNo), MsgResult::No);
        }
        MessageBox("again", "Warning");
    }
    ASSERT_EQ(outer.calls.size(), 2u);
    EXPECT_EQ(outer.calls[0].caption, "Error");
    EXPECT_EQ(outer.calls[0].text, "Wedge angle should be positive.");
    EXPECT_EQ(outer.calls[0].icon, MsgIcon::Error);
    EXPECT_EQ(outer.calls[1].text, "again");
    ASSERT_EQ(inner.calls.size(), 1u);
    EXPECT_EQ(inner.calls[0].buttons, MsgButtons::YesNo);
    // Both scopes ended: the default is back.
    MessageHook none = SetMessageHook({});
    EXPECT_FALSE(none);
}

TEST(MessageBoxes, DefaultIsAModalBoxReturningTheButtonPressed) {
    struct Case {
        MsgButtons buttons;
        QMessageBox::StandardButton press;
        MsgResult result;
    };
    for (Case c : {Case{MsgButtons::Ok, QMessageBox::Ok, MsgResult::Ok},
                   Case{MsgButtons::OkCancel, QMessageBox::Cancel, MsgResult::Cancel},
                   Case{MsgButtons::YesNoCancel, QMessageBox::No, MsgResult::No}}) {
        QString caption, text;
        // Answers the box once it is up (polling, so that the test cannot
        // block on a box that comes late).
        std::function<void()> answer = [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return QTimer::singleShot(10, answer);
            caption = box->windowTitle();
            text = box->text();
            box->button(c.press)->click();
        };
        QTimer::singleShot(0, answer);
        EXPECT_EQ(MessageBox("Numerical results can be different", "Warning", c.buttons, MsgIcon::Warning), c.result);
        EXPECT_EQ(caption, "Warning");
        EXPECT_EQ(text, "Numerical results can be different");
    }
}

TEST(MessageBoxes, HandlerErrorsAreShownWithAFullStop) {
    Recorder shown;
    ScopedMessageHook hook(shown.Hook());
    EXPECT_TRUE(CallHandler([] {}));
    EXPECT_TRUE(shown.calls.empty());

    EXPECT_FALSE(CallHandler([] { throw EConvertError("'abc' is not a valid floating point value"); }));
    EXPECT_FALSE(CallHandler([] { throw EFOpenError("Select an object!"); }));
    EXPECT_FALSE(CallHandler([] { throw 7; }));
    ASSERT_EQ(shown.calls.size(), 3u);
    EXPECT_EQ(shown.calls[0].text, "'abc' is not a valid floating point value.");
    EXPECT_EQ(shown.calls[0].caption, "Vorlantic");
    EXPECT_EQ(shown.calls[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(shown.calls[0].icon, MsgIcon::Error);
    EXPECT_EQ(shown.calls[1].text, "Select an object!");
    EXPECT_EQ(shown.calls[2].text, "");
}

}  // namespace

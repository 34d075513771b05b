// Message boxes return at once and show their caption, text and icon.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTest>

#include "platform/MessageBox.h"

using namespace vorlantic::platform;

namespace {

TEST(MessageBox, ReturnsAtOnceWithTheBoxShown) {
    QWidget owner;
    owner.show();
    struct Case {
        MessageKind kind;
        QMessageBox::Icon icon;
    };
    for (Case c : {Case{MessageKind::Error, QMessageBox::Critical}, Case{MessageKind::Warning, QMessageBox::Warning},
                   Case{MessageKind::Information, QMessageBox::Information}}) {
        QPointer<QMessageBox> box = ShowMessage(&owner, "Could not save file x.cfd", "Error", c.kind);
        ASSERT_TRUE(box);
        EXPECT_TRUE(box->isVisible());
        EXPECT_EQ(box->windowTitle(), "Error");
        EXPECT_EQ(box->text(), "Could not save file x.cfd");
        EXPECT_EQ(box->icon(), c.icon);
        box->button(QMessageBox::Ok)->click();
        QTest::qWait(1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(box.isNull());  // deleted once closed
    }
}

}  // namespace

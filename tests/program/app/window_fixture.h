// Test fixture of the main window: the window with its four dialogs, shown in
// a private X server, in a temporary working directory holding copies of the
// data files, with the numbers of the C library in a locale that writes
// decimal commas (when installed: the program's numbers must not follow it).
// Message boxes and modal forms are answered by hooks and recorded.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <clocale>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/ContourLineSettings.h"
#include "app/ContourSettings.h"
#include "app/Main.h"
#include "app/ObjectDetails.h"
#include "app/about.h"
#include "controls/ValueListEditor.h"
#include "platform/Dialogs.h"
#include "platform/MessageBoxes.h"
#include "support/workdir.h"

namespace vorlantic::testing {

class MainWindowFixture : public qelta::testing::WorkDir {
protected:
    void SetUp() override {
        WorkDir::SetUp();
        oldNumeric_ = std::setlocale(LC_NUMERIC, nullptr);
        std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
        QApplication::setApplicationName("Vorlantic");
        messages_ = std::make_unique<platform::ScopedMessageHook>([this](const platform::MessageRequest& r) {
            shown.push_back(r);
            if (onMessage) onMessage();
            return platform::MsgResult::Ok;
        });
        modal_ = std::make_unique<platform::ScopedModalHook>([this](QDialog& d) {
            modal.push_back(&d);
            if (onModal) onModal(d);
            return int(QDialog::Accepted);
        });
        frmMain = nullptr;
        window = std::make_unique<TfrmMain>();
        w = window.get();
        frmProperty = new TfrmProperty(w);
        AboutBox = new TAboutBox(w);
        frmContourSettings = new TfrmContourSettings(w);
        frmContourLineSettings = new TfrmContourLineSettings(w);
        BeforeShow();
        w->resize(894, 650);
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    }

    void TearDown() override {
        window.reset();
        frmProperty = nullptr;
        AboutBox = nullptr;
        frmContourSettings = nullptr;
        frmContourLineSettings = nullptr;
        modal_.reset();
        messages_.reset();
        std::setlocale(LC_NUMERIC, oldNumeric_.c_str());
        WorkDir::TearDown();
    }

    // Runs once the window and its dialogs exist, before the window is shown.
    virtual void BeforeShow() {}

    bool visible(QWidget* control) const { return control->isVisibleTo(w); }

    // Lets the run timer tick until the run has taken `steps` steps.
    bool WaitForSteps(int steps, int timeoutMs = 60000) {
        QDeadlineTimer deadline(timeoutMs);
        while (w->FStepCount < steps) {
            if (deadline.hasExpired() || !w->Timer1->isActive()) return false;
            QTest::qWait(1);
        }
        return true;
    }

    // Lets the run timer tick until it stays off (the run ended or a step
    // was done); false on time-out.
    bool WaitWhileRunning(int timeoutMs = 120000) {
        QDeadlineTimer deadline(timeoutMs);
        while (w->Timer1->isActive()) {
            if (deadline.hasExpired()) return false;
            QTest::qWait(2);
        }
        return true;
    }

    // Text typed into the value of a row of ValList (from 1), the editor
    // left open with the focus; false when no editor opened.
    bool TypeIntoRow(int row, const char* text) {
        w->activateWindow();
        if (!QTest::qWaitForWindowActive(w)) return false;
        QTableWidgetItem* cell = w->ValList->item(row - 1, 1);
        w->ValList->setCurrentItem(cell);
        w->ValList->editItem(cell);
        auto* editor = qobject_cast<QLineEdit*>(w->ValList->indexWidget(w->ValList->indexFromItem(cell)));
        if (!editor || !editor->hasFocus()) return false;
        editor->selectAll();
        QTest::keyClicks(editor, text);
        return true;
    }

    std::vector<platform::MessageRequest> shown;
    std::vector<QDialog*> modal;
    // Runs while a message box is up.
    std::function<void()> onMessage;
    // Runs while a modal form is up (the user's input to it).
    std::function<void(QDialog&)> onModal;
    std::unique_ptr<TfrmMain> window;
    TfrmMain* w = nullptr;

private:
    std::string oldNumeric_;
    std::unique_ptr<platform::ScopedMessageHook> messages_;
    std::unique_ptr<platform::ScopedModalHook> modal_;
};

}  // namespace vorlantic::testing

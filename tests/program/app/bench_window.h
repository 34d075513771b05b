// Test fixture of the bench editor and the dialogs: the main window with its
// four dialogs, shown in a private X server, in a temporary working directory
// holding copies of the data files. The bench panel is shown, the picture
// timer stopped (tests tick it themselves); message boxes and modal forms are
// answered by hooks.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <memory>
#include <vector>

#include "app/BenchShapes.h"
#include "app/ContourLineSettings.h"
#include "app/ContourSettings.h"
#include "app/Main.h"
#include "app/ObjectDetails.h"
#include "app/about.h"
#include "platform/Dialogs.h"
#include "platform/MessageBoxes.h"
#include "support/workdir.h"

namespace vorlantic::testing {

class BenchWindow : public qelta::testing::WorkDir {
protected:
    void SetUp() override {
        WorkDir::SetUp();
        QApplication::setApplicationName("Vorlantic");
        messages_ = std::make_unique<platform::ScopedMessageHook>([this](const platform::MessageRequest& r) {
            shown.push_back(r);
            if (onMessage) onMessage();
            return platform::MsgResult::Ok;
        });
        modal_ = std::make_unique<platform::ScopedModalHook>([this](QDialog& d) {
            modal.push_back(&d);
            return int(QDialog::Accepted);
        });
        previousCursor_ = SetCursorHook([](ShapeCursor) {});
        frmMain = nullptr;
        window_ = std::make_unique<TfrmMain>();
        w = window_.get();
        frmProperty = new TfrmProperty(w);
        AboutBox = new TAboutBox(w);
        frmContourSettings = new TfrmContourSettings(w);
        frmContourLineSettings = new TfrmContourLineSettings(w);
        w->TimerSection->stop();
        w->resize(894, 650);
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
        if (w->PanelBottom->isHidden()) w->ViewOpticalModel1Click();
        QTest::qWait(20);
        ASSERT_GT(w->ImageModel->width(), 100);
        ASSERT_GT(w->ImageModel->height(), 20);
    }

    void TearDown() override {
        window_.reset();
        frmProperty = nullptr;
        AboutBox = nullptr;
        frmContourSettings = nullptr;
        frmContourLineSettings = nullptr;
        SetCursorHook(std::move(previousCursor_));
        modal_.reset();
        messages_.reset();
        WorkDir::TearDown();
    }

    // A mouse move over the widget with no button held, delivered at once.
    static void MoveOver(QWidget* widget, QPoint pos) {
        QMouseEvent move(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &move);
    }

    // The element at list position i of the bench.
    BaseShape* Shape(int i) const { return w->FShapeManeger->GetShape(i); }
    static QPoint Centre(const BaseShape* s) {
        return QPoint(s->Rect.Left + s->Rect.Width() / 2, s->Rect.Top + s->Rect.Height() / 2);
    }
    // World length of one pixel of the schematic along x.
    double PixelWidth() const { return w->FModelWidth / w->ImageModel->width(); }
    // Ray arrays of the schematic: point k of ray j of set 0.
    double RayX(int j, int k) const { return w->FRayX[j + w->FMaxRays * k]; }
    double RayY(int j, int k) const { return w->FRayY[j + w->FMaxRays * k]; }

    std::vector<platform::MessageRequest> shown;
    std::vector<QDialog*> modal;
    // Runs while a message box is up.
    std::function<void()> onMessage;
    TfrmMain* w = nullptr;

private:
    std::unique_ptr<TfrmMain> window_;
    std::unique_ptr<platform::ScopedMessageHook> messages_;
    std::unique_ptr<platform::ScopedModalHook> modal_;
    CursorHook previousCursor_;
};

}  // namespace vorlantic::testing

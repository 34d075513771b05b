// Test fixture of the bench editor and the dialogs: the main window of
// window_fixture.h with the bench panel shown and the picture timer stopped
// (tests tick it themselves); cursor changes go nowhere.
#pragma once

#include <QMouseEvent>
#include <QTimer>

#include "app/BenchShapes.h"
#include "window_fixture.h"

namespace vorlantic::testing {

class BenchWindow : public MainWindowFixture {
protected:
    void SetUp() override {
        cursor_ = std::make_unique<ScopedCursorHook>([](ShapeCursor) {});
        MainWindowFixture::SetUp();
        if (HasFatalFailure()) return;
        if (w->PanelBottom->isHidden()) w->ViewOpticalModel1Click();
        QTest::qWait(20);
        ASSERT_GT(w->ImageModel->width(), 100);
        ASSERT_GT(w->ImageModel->height(), 20);
    }

    void BeforeShow() override { w->TimerSection->stop(); }

    void TearDown() override {
        MainWindowFixture::TearDown();
        cursor_.reset();
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

private:
    std::unique_ptr<ScopedCursorHook> cursor_;
};

}  // namespace vorlantic::testing

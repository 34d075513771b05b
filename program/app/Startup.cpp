#include "app/Startup.h"

#include <QApplication>
#include <stdexcept>

#include "app/ContourLineSettings.h"
#include "app/ContourSettings.h"
#include "app/Main.h"
#include "app/ObjectDetails.h"
#include "app/about.h"
#include "platform/Errors.h"

namespace vorlantic {

int RunVorlantic() {
    try {
        auto* main = new TfrmMain;
        frmMain = main;
        QObject::connect(main, &TfrmMain::FormClosed, QCoreApplication::instance(), &QCoreApplication::quit,
                         Qt::QueuedConnection);
        frmProperty = new TfrmProperty(main);
        AboutBox = new TAboutBox(main);
        frmContourSettings = new TfrmContourSettings(main);
        frmContourLineSettings = new TfrmContourLineSettings(main);
        main->showMaximized();
        QApplication::exec();
        delete main;
    } catch (const std::exception& e) {
        frmMain = nullptr;
        platform::ShowException(e);
        return 1;
    } catch (...) {
        frmMain = nullptr;
        platform::ShowException(std::runtime_error(""));
        return 1;
    }
    return 0;
}

}  // namespace vorlantic

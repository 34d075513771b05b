// Program entry: the main window, then the element-property dialog, the about
// box and the two contour dialogs, and the message loop until the main window
// closes. An error that escapes is shown by the default handler.
#include <QApplication>

#include <clocale>
#include <stdexcept>

#include "app/ContourLineSettings.h"
#include "app/ContourSettings.h"
#include "app/Main.h"
#include "app/ObjectDetails.h"
#include "app/about.h"
#include "platform/Errors.h"

int main(int argc, char** argv) {
    using namespace vorlantic;
    QApplication app(argc, argv);
    // The application object takes the user's locale; numbers stay in the C locale.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName("Vorlantic");
    // The application ends when the main window closes, whatever else is open.
    QApplication::setQuitOnLastWindowClosed(false);
    try {
        auto* main = new TfrmMain;
        frmMain = main;
        QObject::connect(main, &TfrmMain::FormClosed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
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
    } catch (...) {
        frmMain = nullptr;
        platform::ShowException(std::runtime_error(""));
    }
    return 0;
}

// Program entry: the application object in the C locale for numbers, then
// the program's run (Startup.h), whose status is the program's.
#include <QApplication>

#include <clocale>

#include "app/Startup.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The application object takes the user's locale; numbers stay in the C locale.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName("Vorlantic");
    // The application ends when the main window closes, whatever else is open.
    QApplication::setQuitOnLastWindowClosed(false);
    return vorlantic::RunVorlantic();
}

// inputscope: a window for testing the family's boards with inputs.
//
// The program takes no command line but --version, and keeps nothing between runs: it shows its
// only window, which detects the boards, and ends when that window closes.
#include <cstdio>
#include <cstring>

#include <QApplication>

#include "classic_style.h"
#include "input_session.h"
#include "inputscope_version.h"
#include "main_window.h"
#include "panelink_library.h"

int main(int argc, char *argv[]) {
    // --version answers without a display and without the library.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("inputscope %d.%d.%d\n", INPUTSCOPE_VERSION_MAJOR, INPUTSCOPE_VERSION_MINOR,
                    INPUTSCOPE_VERSION_PATCH);
        return 0;
    }
    // Otherwise no command line: Qt sees the program's name only, so none of its own options apply.
    int programNameOnly = argc > 0 ? 1 : 0;
    QApplication app(programNameOnly, argv);
    // The desktop entry (inputscope.desktop) that names the window's program and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("inputscope"));
    useClassicStyle();

    PanelinkLibrary library(PanelinkLibrary::messageBoxAndExit(QStringLiteral("Inputscope")));
    InputSession session(library);
    MainWindow window(session);
    window.start();
    return app.exec();
}

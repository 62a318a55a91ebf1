// inputscope: a window for testing the family's boards with inputs.
//
// The program takes no command line and keeps nothing between runs: it shows its only window,
// which detects the boards, and ends when that window closes.
#include <QApplication>

#include "classic_style.h"
#include "input_session.h"
#include "main_window.h"
#include "panelink_library.h"

int main(int argc, char *argv[]) {
    // No command line: Qt sees the program's name only, so none of its own options apply.
    int programNameOnly = argc > 0 ? 1 : 0;
    QApplication app(programNameOnly, argv);
    useClassicStyle();

    PanelinkLibrary library;
    InputSession session(library);
    MainWindow window(session);
    window.start();
    return app.exec();
}

// inputscope: a window for testing the family's boards with inputs.
//
// The program takes no command line and keeps nothing between runs: it loads its only window,
// whose load handler shows it and detects the boards, and ends when that window closes.
#include <QApplication>

#include "frmMain.h"

int main(int argc, char *argv[]) {
    // No command line: Qt sees the program's name only, so none of its own options apply.
    int programNameOnly = argc > 0 ? 1 : 0;
    QApplication app(programNameOnly, argv);
    frmMain::UseClassicStyle();

    frmMain window;
    window.Form_Load();
    return app.exec();
}

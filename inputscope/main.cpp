// inputscope: a window for testing the family's boards with inputs.
//
// The program takes no command line and keeps nothing between runs: it loads its only window,
// whose load handler shows it and detects the boards, and ends when that window closes.
#include <QApplication>

#include "frmMain.h"

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    frmMain::UseClassicStyle();

    frmMain window;
    window.Form_Load();
    return app.exec();
}

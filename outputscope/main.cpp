// outputscope: a window for driving every output of the family's boards and seeing the reports
// that go over the wire.
//
// The program takes no command line but --version. It lists the boards, follows them as they
// come and go, and ends when its window closes.
#include <cstdio>
#include <cstring>

#include <QApplication>

#include "main_window.h"
#include "output_session.h"
#include "outputscope_version.h"
#include "panelink_library.h"
#include "report_recorder.h"

int main(int argc, char *argv[]) {
    // --version answers without a display and without the library.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("outputscope %d.%d.%d\n", OUTPUTSCOPE_VERSION_MAJOR, OUTPUTSCOPE_VERSION_MINOR,
                    OUTPUTSCOPE_VERSION_PATCH);
        return 0;
    }
    int programNameOnly = argc > 0 ? 1 : 0;
    QApplication app(programNameOnly, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("outputscope"));

    PanelinkLibrary library(PanelinkLibrary::messageBoxAndExit(QStringLiteral("Outputscope")));
    // Before the first detection: the recorder's own detection writes a detection log too, and
    // the window's detection then writes the log that stays.
    ReportRecorder recorder(PanelinkLibrary::candidateFiles());
    OutputSession session(library, recorder.isReady() ? &recorder : nullptr);
    MainWindow window(session);
    window.start();
    if (!recorder.isReady())
        qWarning("outputscope: the reports cannot be shown: %s", qPrintable(recorder.problem()));
    return app.exec();
}

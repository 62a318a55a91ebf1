// The program's window on the real library's virtual boards, built as the program builds it,
// with its controls found by their object names.
#pragma once

#include <QTest>

#include "main_window.h"
#include "output_session.h"
#include "report_recorder.h"

// The recorder as the program has it, one for the whole test program (each is a private
// instance of the library, and a process has room for only a few).
ReportRecorder &TestRecorder();

struct WindowRig {
    WindowRig();

    // Shows the window and detects, as the program starts.
    void start() { window.start(); }

    template <typename Control> Control *find(const char *name, QObject *within = nullptr) {
        auto *control = (within ? within : &window)->findChild<Control *>(QLatin1String(name));
        if (!control)
            qFatal("the window has no control named %s", name);
        return control;
    }
    template <typename Panel> Panel *panel(MainWindow::Panel which) {
        auto *panel = qobject_cast<Panel *>(window.panel(which));
        if (!panel)
            qFatal("no such panel");
        return panel;
    }

    // Every call the session announced, oldest first.
    QList<OutputCall> calls;
    OutputSession session;
    MainWindow window;
};

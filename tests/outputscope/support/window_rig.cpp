#include "window_rig.h"

#include "virtual_boards.h"

ReportRecorder &TestRecorder() {
    static ReportRecorder recorder(PanelinkLibrary::candidateFiles());
    if (!recorder.isReady())
        qFatal("the report recorder is not ready: %s", qPrintable(recorder.problem()));
    return recorder;
}

WindowRig::WindowRig() : session(TestLibrary(), &TestRecorder()), window(session) {
    QObject::connect(&session, &OutputSession::sent,
                     [this](const OutputCall &call) { calls.append(call); });
}

// The program's window on a library of the test's choosing: the session and the window as the
// program builds them, and the window's controls found by their object names.
#pragma once

#include <stdexcept>

#include <QStringList>
#include <QTest>

#include "classic_style.h"
#include "input_session.h"
#include "main_window.h"
#include "panelink_library.h"

class IndicatorGrid;
class QComboBox;

// What the library's fatal handler raises in the tests (instead of a message box).
struct FatalError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The real library, loaded as the program loads it, for the whole test program.
PanelinkLibrary &TestLibrary();

struct WindowRig {
    explicit WindowRig(PanelinkApi &api);

    // Starts the window as the program does: shown, texts set, boards detected.
    MainWindow &start();

    template <typename Control> Control *find(const char *name) {
        auto *control = window.findChild<Control *>(QLatin1String(name));
        if (!control)
            qFatal("the window has no control named %s", name);
        return control;
    }

    static QStringList items(const QComboBox *list);
    // The numbers the indicators show, in indicator order.
    QStringList numbers();
    // The numbers first to first + 63, with a space in front when `spaced`.
    static QStringList numbersFrom(int first, bool spaced = false);

    // The window is built in the look the program gives it.
    const bool classicStyle = (useClassicStyle(), true);
    InputSession session;
    MainWindow window;
};

// Drives the program's window on the simulated bus: a fresh program state per test, the window
// loaded as at start, and timer ticks run by hand so each test decides when the board is polled.
#pragma once

#include <memory>
#include <stdexcept>

#include <QString>
#include <QStringList>

#include "frmMain.h"

class QComboBox;

// What the program's fatal binding handler raises in the tests (instead of a message box).
struct FatalError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class WindowFixture {
  public:
    // Puts the program's state back to its start values and empties the simulated bus.
    WindowFixture();
    // Closes the window (its unload closes the boards' handles).
    ~WindowFixture();

    // Creates the window and runs its load handler, as the program's start does.
    frmMain &Load();
    frmMain &Form() { return *form_; }

    // Runs the timer's tick handler `count` times.
    void Tick(int count = 1);
    // Ticks until a report pushed before has certainly been decoded (a poll starts a read,
    // the next one finds it completed; a read left from an earlier test may cost one more).
    void Deliver() { Tick(kDeliveryTicks); }
    static constexpr int kDeliveryTicks = 4;
    int TicksRun() const { return ticks_; }

    // Closes the window as the user would.
    void Close();

    static QStringList Items(const QComboBox *list);
    // The indicator numbers shown, in indicator order.
    QStringList Numbers() const;
    // Indices of the indicators showing their input on.
    QList<int> LitIndicators() const;

  private:
    std::unique_ptr<frmMain> form_;
    int ticks_ = 0;
};

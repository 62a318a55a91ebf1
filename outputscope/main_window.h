// outputscope's window: the boards and their ports on the left, a panel for every output
// command in tabs, and below them what went over the wire. Menus, a tool bar and a status bar
// carry the actions; everything is reachable from the keyboard.
#pragma once

#include <QHash>
#include <QMainWindow>

#include "output_session.h"

class CommandPanel;
class LampPanel;
class PortStatusView;
class QLabel;
class QListWidget;
class QTabWidget;
class RawPanel;
class WireView;

class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    // Tabs of the panels, in order.
    enum Panel {
        DirectPanel,
        MultiplexedPanel,
        LatchedPanel,
        DigitsPanelTab,
        TandemPanelTab,
        BoardDigitsPanelTab,
        LcdPanelTab,
        GlcdPanelTab,
        DotMatrixPanelTab,
        DacPanelTab,
        CrtRwrPanelTab,
        RawPanelTab,
        PanelCount
    };

    explicit MainWindow(OutputSession &session, QWidget *parent = nullptr);

    // Detects the boards and follows them from then on (or offers only the refresh action
    // when the library's monitor cannot be had).
    void start();
    QWidget *panel(Panel panel) const;
    // The panel that fits a module type as a status answer reports it, or -1.
    static int panelForModuleType(int type);

  private slots:
    void showDevices(int count);
    void showSelected(int index);
    void showGone(int index);
    void showCall(const OutputCall &call);
    void choosePort(int port, int panel);

  private:
    void buildActions();
    void showSelectedGone();
    QWidget *page(QWidget *panel);

    OutputSession &session_;
    QListWidget *boards_ = nullptr;
    QLabel *identity_ = nullptr;
    PortStatusView *ports_ = nullptr;
    QTabWidget *tabs_ = nullptr;
    WireView *wire_ = nullptr;
    RawPanel *raw_ = nullptr;
    QList<QWidget *> panels_;
    QHash<QObject *, QLabel *> outcomes_; // each panel's outcome line
    QLabel *boardState_ = nullptr;        // permanent in the status bar
};

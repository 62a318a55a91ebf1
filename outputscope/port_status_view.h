// The selected board's ports as its status answer gives them: present, fault and module type,
// and the panel that fits the module. For boards that do not answer status queries it says
// that neither the library nor the window knows which commands the board understands.
#pragma once

#include <QList>
#include <QWidget>

#include "output_session.h"

class QLabel;
class QTableWidget;

class PortStatusView : public QWidget {
    Q_OBJECT
  public:
    // The panel that fits a module type, as the tab it is on; -1 when no panel is known to fit.
    enum FittingPanel { NoPanel = -1 };
    using PanelForType = std::function<int(int type)>;

    explicit PortStatusView(QWidget *parent = nullptr);

    // How the window names the panel for a module type (and which tab it is).
    void setPanelForType(PanelForType panelForType, std::function<QString(int)> panelName);
    int rowCount() const;

  public slots:
    void showPorts(const QList<PortStatus> &ports);
    void showUnavailable();
    void showQuerying();
    void clear();

  signals:
    // The user chose an active port: drive it with the panel on tab `panel`.
    void portChosen(int port, int panel);

  private:
    QLabel *note_ = nullptr;
    QTableWidget *table_ = nullptr;
    QList<PortStatus> ports_;
    PanelForType panelForType_;
    std::function<QString(int)> panelName_;
};

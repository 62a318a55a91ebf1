// The window: a tab per virtual board, a log pane of the reports they receive, a status bar, and
// menus to add, remove, plug and unplug boards and to open and save set-ups. Keys 1 to 9 and 0
// work the first ten switches and buttons of the board on show, ] and [ turn its first encoder,
// Ctrl+P plugs or unplugs it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QTabWidget>

#include "board_host.h"
#include "board_setup.h"

namespace panelink::virtualboard {

class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    // `uhidPath`: the device file the boards are created through (tests name a missing one).
    explicit MainWindow(std::string uhidPath = "/dev/uhid", QWidget *parent = nullptr);

    // Replaces the boards with those of `setups` (already checked) and plugs them in when
    // /dev/uhid can be opened; otherwise the window says why and what grants access.
    void useBoards(const std::vector<BoardSetup> &setups);
    bool openSetup(const QString &path);
    bool saveSetup(const QString &path);

    int boardCount() const { return static_cast<int>(hosts_.size()); }
    BoardHost *board(int index) { return hosts_.at(static_cast<size_t>(index)).get(); }
    int currentBoard() const;

  private:
    void makeMenus();
    void makeShortcuts();
    void addBoard(const BoardSetup &setup);
    void removeCurrentBoard();
    // Draws a board's page anew after its inputs changed roles.
    void redrawBoard(BoardHost *host);
    void togglePlugCurrent();
    void pressKey(int index);
    void turnCurrent(int detents);
    bool checkUhidAccess();
    void appendLog(const QString &line);

    std::vector<std::unique_ptr<BoardHost>> hosts_;
    QTabWidget *tabs_ = nullptr;
    QPlainTextEdit *log_ = nullptr;
    QLabel *problem_ = nullptr;
    std::string uhidPath_;
};

} // namespace panelink::virtualboard

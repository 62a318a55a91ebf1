#include "main_window.h"

#include <QDockWidget>
#include <QFileDialog>
#include <QKeySequence>
#include <QMenuBar>
#include <QMessageBox>
#include <QShortcut>
#include <QStatusBar>
#include <QVBoxLayout>

#include "board_panel.h"
#include "setup_file.h"
#include "uhid_access.h"

namespace panelink::virtualboard {
namespace {

constexpr int kLogLines = 5000;
constexpr int kNumberKeys = 10; // 1 to 9, then 0

} // namespace

MainWindow::MainWindow(std::string uhidPath, QWidget *parent)
    : QMainWindow(parent), uhidPath_(std::move(uhidPath)) {
    setWindowTitle(tr("virtualboard"));
    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    problem_ = new QLabel;
    problem_->setObjectName(QStringLiteral("uhid-problem"));
    problem_->setWordWrap(true);
    problem_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    problem_->setStyleSheet(QStringLiteral("QLabel { background: #fff3cd; padding: 6px; }"));
    problem_->hide();
    tabs_ = new QTabWidget;
    tabs_->setObjectName(QStringLiteral("boards"));
    layout->addWidget(problem_);
    layout->addWidget(tabs_, 1);
    setCentralWidget(central);

    log_ = new QPlainTextEdit;
    log_->setObjectName(QStringLiteral("log"));
    log_->setReadOnly(true);
    log_->setMaximumBlockCount(kLogLines);
    log_->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto *dock = new QDockWidget(tr("Reports received"));
    dock->setObjectName(QStringLiteral("log-dock"));
    dock->setWidget(log_);
    addDockWidget(Qt::BottomDockWidgetArea, dock);

    makeMenus();
    makeShortcuts();
    statusBar()->showMessage(tr("No board yet: add one from the Board menu"));
    resize(1100, 800);
}

void MainWindow::makeMenus() {
    QMenu *file = menuBar()->addMenu(tr("&File"));
    file->addAction(tr("&Open set-up..."), QKeySequence::Open, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, tr("Open set-up"), QString(),
                                                          tr("Set-ups (*.json)"));
        if (!path.isEmpty()) {
            openSetup(path);
        }
    });
    file->addAction(tr("&Save set-up..."), QKeySequence::Save, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, tr("Save set-up"), QString(),
                                                          tr("Set-ups (*.json)"));
        if (!path.isEmpty()) {
            saveSetup(path);
        }
    });
    file->addSeparator();
    file->addAction(tr("&Quit"), QKeySequence::Quit, this, &QWidget::close);

    QMenu *boards = menuBar()->addMenu(tr("&Board"));
    QMenu *add = boards->addMenu(tr("&Add"));
    for (const board_models::BoardKind &kind : board_models::board_kinds()) {
        add->addAction(QStringLiteral("0x%1 %2")
                           .arg(kind.product, 4, 16, QLatin1Char('0'))
                           .arg(QString::fromStdString(kind.name)),
                       this, [this, &kind] {
                           addBoard(BoardSetup::defaults(kind));
                           tabs_->setCurrentIndex(tabs_->count() - 1);
                       });
    }
    boards->addAction(tr("&Remove"), this, &MainWindow::removeCurrentBoard);
    boards->addAction(tr("&Plug in or unplug"), QKeySequence(Qt::CTRL | Qt::Key_P), this,
                      &MainWindow::togglePlugCurrent);
}

void MainWindow::makeShortcuts() {
    for (int i = 0; i < kNumberKeys; ++i) {
        const int key = i < 9 ? Qt::Key_1 + i : Qt::Key_0;
        auto *shortcut = new QShortcut(QKeySequence(key), this);
        connect(shortcut, &QShortcut::activated, this, [this, i] { pressKey(i); });
    }
    connect(new QShortcut(QKeySequence(Qt::Key_BracketRight), this), &QShortcut::activated, this,
            [this] { turnCurrent(1); });
    connect(new QShortcut(QKeySequence(Qt::Key_BracketLeft), this), &QShortcut::activated, this,
            [this] { turnCurrent(-1); });
}

int MainWindow::currentBoard() const {
    return tabs_->currentIndex();
}

bool MainWindow::checkUhidAccess() {
    const auto problem = uhid_access_problem(uhidPath_);
    problem_->setVisible(problem.has_value());
    if (problem) {
        problem_->setText(QString::fromStdString(*problem));
        statusBar()->showMessage(tr("The boards cannot go on the bus: see the note above"));
        return false;
    }
    return true;
}

void MainWindow::addBoard(const BoardSetup &setup) {
    std::string error;
    std::optional<BoardModel> model = BoardModel::create(setup, error);
    if (!model) {
        statusBar()->showMessage(QString::fromStdString(error));
        return;
    }
    auto host = std::make_unique<BoardHost>(std::move(*model));
    connect(host.get(), &BoardHost::logged, this, &MainWindow::appendLog);
    BoardHost *raw = host.get();
    // Queued: the page that asked for the change is still handling its menu.
    connect(
        host.get(), &BoardHost::rolesChanged, this, [this, raw] { redrawBoard(raw); },
        Qt::QueuedConnection);
    auto *panel = new BoardPanel(*host);
    tabs_->addTab(panel, host->title());
    BoardHost *added = host.get();
    hosts_.push_back(std::move(host));
    if (checkUhidAccess()) {
        QString reason;
        if (!added->plug(reason)) {
            statusBar()->showMessage(tr("%1 cannot go on the bus: %2").arg(added->title(), reason));
            return;
        }
        statusBar()->showMessage(tr("%1 plugged in as %2").arg(added->title(), added->nodes()));
    }
}

void MainWindow::useBoards(const std::vector<BoardSetup> &setups) {
    while (!hosts_.empty()) {
        tabs_->setCurrentIndex(0);
        removeCurrentBoard();
    }
    for (const BoardSetup &setup : setups) {
        addBoard(setup);
    }
    if (!hosts_.empty()) {
        tabs_->setCurrentIndex(0);
    }
}

void MainWindow::redrawBoard(BoardHost *host) {
    for (int index = 0; index < tabs_->count(); ++index) {
        auto *panel = qobject_cast<BoardPanel *>(tabs_->widget(index));
        if (panel == nullptr || &panel->host() != host) {
            continue;
        }
        const bool shown = tabs_->currentIndex() == index;
        tabs_->insertTab(index, new BoardPanel(*host), host->title());
        tabs_->removeTab(index + 1);
        panel->deleteLater();
        if (shown) {
            tabs_->setCurrentIndex(index);
        }
        return;
    }
}

void MainWindow::removeCurrentBoard() {
    const int index = currentBoard();
    if (index < 0) {
        return;
    }
    QWidget *panel = tabs_->widget(index);
    tabs_->removeTab(index);
    delete panel;
    hosts_.erase(hosts_.begin() + index); // unplugs it
}

void MainWindow::togglePlugCurrent() {
    const int index = currentBoard();
    if (index < 0) {
        return;
    }
    BoardHost &host = *hosts_[static_cast<size_t>(index)];
    if (host.isPlugged()) {
        host.unplug();
    } else if (checkUhidAccess()) {
        QString reason;
        if (!host.plug(reason)) {
            statusBar()->showMessage(tr("%1 cannot go on the bus: %2").arg(host.title(), reason));
        }
    }
}

void MainWindow::pressKey(int index) {
    const int board = currentBoard();
    if (board < 0) {
        return;
    }
    BoardHost &host = *hosts_[static_cast<size_t>(board)];
    const BoardSetup &setup = host.model().setup();
    int seen = 0;
    for (unsigned input = 0; input < host.model().inputs().input_count(); ++input) {
        const InputRole role = role_of(setup, input);
        if (role != InputRole::Switch && role != InputRole::PushButton) {
            continue;
        }
        if (seen++ != index) {
            continue;
        }
        if (role == InputRole::Switch) {
            host.setInput(input, !host.model().inputs().is_on(input));
        } else {
            host.setInput(input, true); // a key press is a short push
            host.setInput(input, false);
        }
        return;
    }
}

void MainWindow::turnCurrent(int detents) {
    const int board = currentBoard();
    if (board >= 0) {
        hosts_[static_cast<size_t>(board)]->turnEncoder(0, detents);
    }
}

bool MainWindow::openSetup(const QString &path) {
    std::vector<BoardSetup> setups;
    std::string error;
    if (!open_setup_file(path.toStdString(), setups, error)) {
        QMessageBox::warning(this, tr("Open set-up"), QString::fromStdString(error));
        return false;
    }
    useBoards(setups);
    return true;
}

bool MainWindow::saveSetup(const QString &path) {
    std::vector<BoardSetup> setups;
    for (const auto &host : hosts_) {
        setups.push_back(host->model().setup());
    }
    std::string error;
    if (!save_setup_file(path.toStdString(), setups, error)) {
        QMessageBox::warning(this, tr("Save set-up"), QString::fromStdString(error));
        return false;
    }
    statusBar()->showMessage(tr("Saved %1").arg(path));
    return true;
}

void MainWindow::appendLog(const QString &line) {
    log_->appendPlainText(line);
}

} // namespace panelink::virtualboard

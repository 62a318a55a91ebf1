#include "main_window.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "board_digits_panel.h"
#include "crt_rwr_panel.h"
#include "dac_panel.h"
#include "digits_panel.h"
#include "dot_matrix_panel.h"
#include "glcd_panel.h"
#include "lamp_panel.h"
#include "lcd_panel.h"
#include "outputscope_version.h"
#include "port_status_view.h"
#include "raw_panel.h"
#include "tandem_panel.h"
#include "wire_view.h"

namespace {

// Module types whose flag block in the status record has as many flags per port as a command
// has outputs: type 1 (56 flags) the multiplexed outputs, type 5 (64) the latched ones.
constexpr int kMultiplexedModuleType = 1;
constexpr int kLatchedModuleType = 5;

QString identityText(const DeviceRecord &record) {
    const auto path = QString::fromLocal8Bit(
        record.DevicePath, static_cast<qsizetype>(qstrnlen(
                               record.DevicePath, std::min<size_t>(record.DevicePathLength,
                                                                   sizeof record.DevicePath))));
    return QObject::tr("%1\nVendor 0x%2, product 0x%3, version 0x%4\nPath: %5\n"
                       "Output report: %6 bytes, input report: %7 bytes")
        .arg(OutputSession::boardName(record))
        .arg(record.VendorID, 4, 16, QLatin1Char('0'))
        .arg(record.ProductID, 4, 16, QLatin1Char('0'))
        .arg(record.VersionNumber, 4, 16, QLatin1Char('0'))
        .arg(path)
        .arg(record.OutputReportByteLength)
        .arg(record.InputReportByteLength);
}

} // namespace

MainWindow::MainWindow(OutputSession &session, QWidget *parent)
    : QMainWindow(parent), session_(session) {
    setWindowTitle(tr("Outputscope %1.%2.%3")
                       .arg(OUTPUTSCOPE_VERSION_MAJOR)
                       .arg(OUTPUTSCOPE_VERSION_MINOR)
                       .arg(OUTPUTSCOPE_VERSION_PATCH));
    // The resources live in the program's static core library: registered by name.
    Q_INIT_RESOURCE(outputscope);
    QIcon icon;
    for (const char *size : {"16", "32", "64"})
        icon.addPixmap(
            QPixmap(QStringLiteral(":/outputscope/icon%1.xpm").arg(QLatin1String(size))));
    setWindowIcon(icon);

    // Left: the boards, the selected board's identity and its ports.
    boards_ = new QListWidget(this);
    boards_->setObjectName(QStringLiteral("boardList"));
    boards_->setAccessibleName(tr("Boards"));
    identity_ = new QLabel(this);
    identity_->setObjectName(QStringLiteral("boardIdentity"));
    identity_->setWordWrap(true);
    identity_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ports_ = new PortStatusView(this);
    ports_->setObjectName(QStringLiteral("ports"));
    ports_->setPanelForType(&MainWindow::panelForModuleType,
                            [this](int panel) { return tabs_->tabText(panel).remove('&'); });
    auto *boardsLabel = new QLabel(tr("&Boards"), this);
    boardsLabel->setBuddy(boards_);
    auto *left = new QWidget(this);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->addWidget(boardsLabel);
    leftLayout->addWidget(boards_, 1);
    leftLayout->addWidget(identity_);
    leftLayout->addWidget(ports_, 2);

    // Right: a tab per panel above the wire view.
    for (LampPanel::Kind kind :
         {LampPanel::Kind::Direct, LampPanel::Kind::Multiplexed, LampPanel::Kind::Latched})
        panels_.append(new LampPanel(kind));
    auto *digits = new DigitsPanel;
    auto *tandem = new TandemPanel;
    const ReportPreview preview = [this](const OutputCommand &c) { return session_.preview(c); };
    digits->setPreviewSource(preview);
    tandem->setPreviewSource(preview);
    raw_ = new RawPanel;
    panels_ << digits << tandem << new BoardDigitsPanel << new LcdPanel << new GlcdPanel
            << new DotMatrixPanel << new DacPanel << new CrtRwrPanel << raw_;
    const QStringList names = {tr("&Direct"),        tr("&Multiplexed"), tr("&Latched"),
                               tr("&Digits"),        tr("&TANDEM"),      tr("B&oard digits"),
                               tr("&Character LCD"), tr("&Graphic LCD"), tr("Dot &matrix"),
                               tr("D&AC"),           tr("C&RT/RWR"),     tr("Ra&w report")};
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("panels"));
    tabs_->setUsesScrollButtons(true);
    for (int i = 0; i < panels_.size(); ++i) {
        QWidget *panel = panels_[i];
        panel->setObjectName(QStringLiteral("panel%1").arg(i));
        tabs_->addTab(page(panel), names[i]);
        if (auto *command = qobject_cast<CommandPanel *>(panel))
            connect(command, &CommandPanel::commandReady, &session_, &OutputSession::send);
    }
    connect(raw_, &RawPanel::reportReady, &session_, &OutputSession::sendRaw);
    wire_ = new WireView(this);
    wire_->setObjectName(QStringLiteral("wire"));
    auto *right = new QSplitter(Qt::Vertical, this);
    right->addWidget(tabs_);
    right->addWidget(wire_);
    right->setStretchFactor(0, 3);
    right->setStretchFactor(1, 2);

    auto *split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(left);
    split->addWidget(right);
    split->setStretchFactor(1, 1);
    setCentralWidget(split);

    boardState_ = new QLabel(this);
    boardState_->setObjectName(QStringLiteral("boardState"));
    statusBar()->addPermanentWidget(boardState_);
    buildActions();

    connect(boards_, &QListWidget::currentRowChanged, &session_, &OutputSession::select);
    connect(&session_, &OutputSession::devicesDetected, this, &MainWindow::showDevices);
    connect(&session_, &OutputSession::deviceSelected, this, &MainWindow::showSelected);
    connect(&session_, &OutputSession::deviceGone, this, &MainWindow::showGone);
    connect(&session_, &OutputSession::sent, this, &MainWindow::showCall);
    connect(&session_, &OutputSession::portsKnown, ports_, &PortStatusView::showPorts);
    connect(&session_, &OutputSession::statusUnavailable, ports_, &PortStatusView::showUnavailable);
    connect(ports_, &PortStatusView::portChosen, this, &MainWindow::choosePort);
    resize(1100, 720);
}

QWidget *MainWindow::page(QWidget *panel) {
    auto *page = new QWidget;
    auto *outcome = new QLabel(page);
    outcome->setObjectName(QStringLiteral("outcome"));
    outcome->setWordWrap(true);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(panel, 1);
    layout->addWidget(outcome);
    outcomes_.insert(panel, outcome);
    return page;
}

void MainWindow::buildActions() {
    auto *refresh =
        new QAction(style()->standardIcon(QStyle::SP_BrowserReload), tr("&Refresh boards"), this);
    refresh->setObjectName(QStringLiteral("refreshAction"));
    refresh->setShortcut(QKeySequence::Refresh);
    connect(refresh, &QAction::triggered, &session_, &OutputSession::detect);
    auto *status = new QAction(style()->standardIcon(QStyle::SP_FileDialogInfoView),
                               tr("Ask the board's &status"), this);
    status->setObjectName(QStringLiteral("statusAction"));
    status->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    connect(status, &QAction::triggered, this, [this] {
        if (!session_.isSelectedPresent())
            return;
        if (OutputSession::answersStatus(session_.device(session_.selectedDevice())))
            ports_->showQuerying();
        session_.queryStatus();
    });
    auto *quit = new QAction(tr("&Quit"), this);
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, this, &QWidget::close);
    auto *clear = new QAction(tr("&Clear history"), this);
    connect(clear, &QAction::triggered, wire_, &WireView::clearHistory);
    auto *about = new QAction(tr("&About outputscope"), this);
    connect(about, &QAction::triggered, this, [this] {
        QMessageBox::about(this, tr("About outputscope"),
                           tr("<p><b>outputscope %1.%2.%3</b></p><p>Drives every output of the "
                              "panelink boards and shows what went over the wire.</p>")
                               .arg(OUTPUTSCOPE_VERSION_MAJOR)
                               .arg(OUTPUTSCOPE_VERSION_MINOR)
                               .arg(OUTPUTSCOPE_VERSION_PATCH));
    });

    QMenu *file = menuBar()->addMenu(tr("&File"));
    file->addAction(refresh);
    file->addSeparator();
    file->addAction(quit);
    QMenu *board = menuBar()->addMenu(tr("&Board"));
    board->addAction(status);
    QMenu *view = menuBar()->addMenu(tr("&View"));
    view->addAction(clear);
    QMenu *help = menuBar()->addMenu(tr("&Help"));
    help->addAction(about);

    QToolBar *bar = addToolBar(tr("Boards"));
    bar->setObjectName(QStringLiteral("toolBar"));
    bar->addAction(refresh);
    bar->addAction(status);
}

void MainWindow::start() {
    show();
    session_.detect();
    if (!session_.followBoards())
        statusBar()->showMessage(tr("The board monitor is not available: use Refresh (F5) "
                                    "after plugging boards in or out."));
}

QWidget *MainWindow::panel(Panel which) const {
    return panels_.value(which);
}

int MainWindow::panelForModuleType(int type) {
    switch (type) {
    case kMultiplexedModuleType:
        return MultiplexedPanel;
    case kLatchedModuleType:
        return LatchedPanel;
    default:
        return -1;
    }
}

void MainWindow::showDevices(int count) {
    const QSignalBlocker quiet(boards_);
    boards_->clear();
    for (int index = 0; index < count; ++index) {
        const DeviceRecord &record = session_.device(index);
        auto *item = new QListWidgetItem(OutputSession::boardName(record), boards_);
        item->setToolTip(identityText(record));
    }
    if (count == 0) {
        identity_->setText(tr("No board found. Plug one in, or run on the virtual demo boards "
                              "(PANELINK_SIMULATE=demo)."));
        ports_->clear();
        boardState_->setText(tr("No board"));
        raw_->setReportLength(0);
    }
}

void MainWindow::showSelected(int index) {
    {
        const QSignalBlocker quiet(boards_);
        boards_->setCurrentRow(index);
    }
    const DeviceRecord &record = session_.device(index);
    identity_->setText(identityText(record));
    raw_->setReportLength(record.OutputReportByteLength);
    if (!session_.isSelectedPresent()) {
        showSelectedGone();
        return;
    }
    boardState_->setText(tr("Board: %1").arg(OutputSession::boardName(record)));
    tabs_->setEnabled(true);
    if (OutputSession::answersStatus(record))
        ports_->showQuerying();
    session_.queryStatus();
}

void MainWindow::showGone(int index) {
    const QString name = OutputSession::boardName(session_.device(index));
    if (QListWidgetItem *item = boards_->item(index)) {
        item->setText(tr("%1 (gone)").arg(name));
        item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
    }
    statusBar()->showMessage(tr("%1 was unplugged.").arg(name));
    if (index == session_.selectedDevice())
        showSelectedGone();
}

void MainWindow::showSelectedGone() {
    for (QWidget *panel : panels_)
        if (auto *lamps = qobject_cast<LampPanel *>(panel); lamps && lamps->isLampTestRunning())
            lamps->toggleLampTest(); // stops it; the session sends nothing to the gone board
    tabs_->setEnabled(false);
    ports_->clear();
    boardState_->setText(
        tr("GONE: %1 was unplugged; nothing is sent to it")
            .arg(OutputSession::boardName(session_.device(session_.selectedDevice()))));
}

void MainWindow::showCall(const OutputCall &call) {
    wire_->show(call);
    const QString outcome = WireView::outcome(call);
    statusBar()->showMessage(outcome, call.succeeded() ? 5000 : 0);
    // The panel in view sent it (a lamp test keeps running only while its board is there).
    if (QLabel *line = outcomes_.value(panels_.value(tabs_->currentIndex()))) {
        line->setText(outcome);
        line->setStyleSheet(call.succeeded() ? QString() : QStringLiteral("color: #c00000;"));
    }
}

void MainWindow::choosePort(int port, int which) {
    if (auto *command = qobject_cast<CommandPanel *>(panels_.value(which)))
        command->setPort(port);
    tabs_->setCurrentIndex(which);
    statusBar()->showMessage(
        tr("Port %1 set on the %2 panel.").arg(port).arg(tabs_->tabText(which).remove('&')), 5000);
}

#include "main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStringList>

#include "count_label.h"
#include "indicator_grid.h"
#include "input_session.h"
#include "texts.h"

MainWindow::MainWindow(InputSession &session, QWidget *parent)
    : QWidget(parent), session_(session) {
    buildControls();
    connectSession();
    addShortcuts();
}

void MainWindow::connectSession() {
    connect(refreshButton_, &QPushButton::clicked, &session_, &InputSession::detect);
    connect(boardList_, &QComboBox::activated, this, &MainWindow::chooseBoard);
    connect(previousPageButton_, &QPushButton::clicked, &session_, &InputSession::previousPage);
    connect(nextPageButton_, &QPushButton::clicked, &session_, &InputSession::nextPage);
    connect(clockwiseList_, &QComboBox::currentIndexChanged, &session_,
            &InputSession::setClockwiseInput);
    connect(counterClockwiseList_, &QComboBox::currentIndexChanged, &session_,
            &InputSession::setCounterClockwiseInput);

    connect(&session_, &InputSession::devicesDetected, this, &MainWindow::showDetection);
    connect(&session_, &InputSession::deviceShown, this, &MainWindow::showDevice);
    connect(&session_, &InputSession::pageDrawn, this, &MainWindow::showPage);
    connect(&session_, &InputSession::indicatorsChanged, indicators_, &IndicatorGrid::setLit);
    connect(&session_, &InputSession::countChanged, this, &MainWindow::showCount);
    connect(&session_, &InputSession::periodChanged, this, &MainWindow::showPeriod);
    connect(&session_, &InputSession::respondingChanged, this, &MainWindow::showDeviceStatus);
    connect(&session_, &InputSession::selectedDeviceLeft, this, &MainWindow::showDeparture);
}

void MainWindow::addShortcuts() {
    const auto addShortcut = [this](Qt::Key key, auto slot) {
        auto *shortcut = new QShortcut(QKeySequence(key), this);
        connect(shortcut, &QShortcut::activated, &session_, slot);
    };
    addShortcut(Qt::Key_F5, &InputSession::detect);
    addShortcut(Qt::Key_PageUp, &InputSession::previousPage);
    addShortcut(Qt::Key_PageDown, &InputSession::nextPage);
}

void MainWindow::start() {
    show();
    setWindowTitle(Texts::windowTitle());
    for (QLabel *bar : {deviceStatus_, periodStatus_}) {
        QFont font = bar->font();
        font.setBold(true);
        bar->setFont(font);
    }
    refreshHint_->setText(Texts::refreshHint());
    refreshHint_->resize(refreshHint_->width(),
                         refreshHint_->heightForWidth(refreshHint_->width()));
    session_.drawPage();
    // Following first: a board plugged in while the detection runs is then not missed.
    session_.followBoards();
    session_.detect();
}

void MainWindow::closeEvent(QCloseEvent *event) {
    session_.stopFollowing();
    session_.closeDevices();
    event->accept();
}

void MainWindow::chooseBoard(int entry) {
    if (boardList_->itemText(entry) == Texts::kNoDevices)
        return;
    session_.select(entry);
}

void MainWindow::showDetection(bool found) {
    // Adding entries chooses none of them; the session selects the first board after this.
    const QSignalBlocker blocker(boardList_);
    boardList_->clear();
    if (found) {
        for (int index = 0; index < session_.deviceCount(); ++index)
            boardList_->addItem(Texts::listEntry(session_.device(index)));
        boardList_->setCurrentIndex(boardList_->count() > 0 ? 0 : -1);
        return;
    }
    boardList_->addItem(Texts::kNoDevices);
    boardList_->setCurrentIndex(0);
    identityPanel_->setPlainText(Texts::kNoDevicesPanel);
    deviceStatus_->setText(Texts::kNoDevicesStatus);
}

void MainWindow::showDevice(int index) {
    // The list's entry follows the session's choice: after a detection that kept the selected
    // board, that is not the first entry.
    if (index < boardList_->count()) {
        const QSignalBlocker blocker(boardList_);
        boardList_->setCurrentIndex(index);
    }
    identityPanel_->setPlainText(Texts::identityPanel(session_.device(index), index + 1));
    showDeviceStatus();
}

void MainWindow::showDeviceStatus() {
    const int index = session_.selectedDevice();
    const QString status = Texts::deviceStatus(session_.device(index), index + 1);
    deviceStatus_->setText(session_.isResponding() ? status : status + Texts::kNotResponding);
}

void MainWindow::showDeparture(const DeviceRecord &record) {
    // Stays until the next status: the list and the panel already show the board now selected.
    deviceStatus_->setText(Texts::departedStatus(record));
}

void MainWindow::showPage(int page) {
    pageFrame_->setTitle(Texts::pageTitle(page));
    const int first = session_.firstInput();
    indicators_->setFirstInput(first);
    QStringList numbers;
    numbers.reserve(IndicatorGrid::kCount);
    for (int i = 0; i < IndicatorGrid::kCount; ++i)
        numbers.append(Texts::spacedDecimal(qint64{first} + i));
    // The session has dropped its encoder inputs: the lists are filled with none chosen.
    for (QComboBox *list : {clockwiseList_, counterClockwiseList_}) {
        const QSignalBlocker blocker(list);
        list->clear();
        list->addItems(numbers);
        list->setCurrentIndex(-1);
    }
}

void MainWindow::showCount(EncoderCount count) {
    countLabel_->setCount(count);
}

void MainWindow::showPeriod(qint64 periodMs) {
    periodStatus_->setText(Texts::periodStatus(periodMs));
}

// The window around the panels: the boards and their identity, boards that arrive and leave
// (a board that left is shown as gone and nothing is sent to it), the ports of a board that
// answers status queries, failed writes in the status bar and the panel, and pictures of the
// window for the eye.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>

#include "lamp_panel.h"
#include "virtual_boards.h"
#include "window_rig.h"

namespace {

const VirtualBoards::Board kBoard256{0x0500, L"Halcyon-256 USB MODULE", L"123", "sim/a"};
const VirtualBoards::Board kBoard64{0x0700, L"Halcyon-64 USB MODULE", L"7", "sim/b"};
const VirtualBoards::Board kPortBoard{0x0800, L"Halcyon Port Board", L"800", "sim/ports"};

QStringList Items(const QListWidget *list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items.append(list->item(i)->text());
    return items;
}

QStringList Row(const QTableWidget *table, int row) {
    QStringList cells;
    for (int column = 0; column < table->columnCount(); ++column)
        cells.append(table->item(row, column)->text());
    return cells;
}

} // namespace

class WindowTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { VirtualBoards::Reset(); }

    void listsTheBoardsWithIdentityAndPath() {
        VirtualBoards::Add(kBoard256);
        VirtualBoards::Add(kBoard64);
        WindowRig rig;
        rig.start();
        auto *list = rig.find<QListWidget>("boardList");
        QCOMPARE(Items(list),
                 (QStringList{"Halcyon-256 USB MODULE - 123", "Halcyon-64 USB MODULE - 7"}));
        list->setCurrentRow(1);
        QCOMPARE(rig.session.selectedDevice(), 1);
        const QString identity = rig.find<QLabel>("boardIdentity")->text();
        QVERIFY2(identity.contains(QLatin1String("product 0x0700")), qPrintable(identity));
        QVERIFY2(identity.contains(QLatin1String("Path: sim/b")), qPrintable(identity));
        QVERIFY2(identity.contains(QLatin1String("Output report: 65 bytes")), qPrintable(identity));
        QVERIFY(rig.find<QLabel>("portsNote")
                    ->text()
                    .contains(QLatin1String("does not answer status queries")));
        // The window's icon loads without an image plugin.
        QVERIFY(!rig.window.windowIcon().pixmap(32).isNull());
        QVERIFY(rig.window.windowTitle().startsWith(QLatin1String("Outputscope ")));
    }

    void followsBoardsThatArriveAndLeave() {
        const int first = VirtualBoards::Add(kBoard256);
        const int second = VirtualBoards::Add(kBoard64);
        WindowRig rig;
        rig.start();
        QVERIFY(rig.session.isFollowing());
        auto *list = rig.find<QListWidget>("boardList");
        auto *tabs = rig.find<QTabWidget>("panels");
        list->setCurrentRow(1);

        // A board that is not selected leaves: shown as gone, the selected one still driven.
        VirtualBoards::Remove(first);
        QTRY_VERIFY(!rig.session.isPresent(0));
        QCOMPARE(list->item(0)->text(), QStringLiteral("Halcyon-256 USB MODULE - 123 (gone)"));
        QVERIFY(tabs->isEnabled());

        // The selected board leaves: shown as gone, the panels off, nothing sent to it.
        VirtualBoards::Remove(second);
        QTRY_VERIFY(!rig.session.isSelectedPresent());
        QCOMPARE(list->item(1)->text(), QStringLiteral("Halcyon-64 USB MODULE - 7 (gone)"));
        QVERIFY(!tabs->isEnabled());
        QVERIFY(rig.find<QLabel>("boardState")->text().startsWith(QLatin1String("GONE")));
        rig.panel<LampPanel>(MainWindow::DirectPanel)->sendGrid();
        QVERIFY(!rig.calls.last().attempted);
        QVERIFY(rig.window.statusBar()->currentMessage().startsWith(QLatin1String("Not sent")));
        // Choosing the other gone board keeps the panels off.
        list->setCurrentRow(0);
        QVERIFY(!tabs->isEnabled());

        // A board arrives: the list is detected anew.
        VirtualBoards::Add(kBoard64);
        QTRY_COMPARE(Items(list), QStringList{"Halcyon-64 USB MODULE - 7"});
        QVERIFY(rig.session.isSelectedPresent());
        QVERIFY(tabs->isEnabled());
    }

    void aFailedWriteSaysSoInTheStatusBarAndThePanel() {
        const int board = VirtualBoards::Add(kBoard256);
        WindowRig rig;
        rig.start();
        VirtualBoards::FailWrites(board, 1);
        auto *tabs = rig.find<QTabWidget>("panels");
        tabs->setCurrentIndex(MainWindow::LcdPanelTab);
        rig.find<QPushButton>("clearLcd")->click();
        QCOMPARE(rig.calls.last().result, 0);
        QVERIFY(rig.calls.last().attempted);
        const QString message = rig.window.statusBar()->currentMessage();
        QVERIFY2(message.contains(QLatin1String("ClearLCD FAILED")), qPrintable(message));
        auto *outcome = tabs->currentWidget()->findChild<QLabel *>(QStringLiteral("outcome"));
        QCOMPARE(outcome->text(), message);
        // The next write goes through again.
        rig.find<QPushButton>("clearLcd")->click();
        QVERIFY(rig.calls.last().succeeded());
        QVERIFY(outcome->text().contains(QLatin1String("returned 65")));
    }

    void showsThePortsOfABoardThatAnswersStatus() {
        const int board = VirtualBoards::Add(kPortBoard);
        // Port 0: type 1, port 1: type 5, port 2: present with a fault, port 3: absent,
        // port 4: type 3 (no panel known for it).
        VirtualBoards::AnswerPortStatus(board, {0x05, 0x15, 0x03, 0x00, 0x0D});
        WindowRig rig;
        rig.start();
        auto *table = rig.find<QTableWidget>("portsTable");
        QTRY_COMPARE(table->rowCount(), 24);
        QCOMPARE(Row(table, 0), (QStringList{"0", "yes", "no", "1", "Multiplexed"}));
        QCOMPARE(Row(table, 1), (QStringList{"1", "yes", "no", "5", "Latched"}));
        QCOMPARE(Row(table, 2), (QStringList{"2", "yes", "FAULT", "0", "not usable"}));
        QCOMPARE(Row(table, 3), (QStringList{"3", "no", "no", "0", "not usable"}));
        QCOMPARE(Row(table, 4).last(), QStringLiteral("no panel known for type 3: pick one"));
        // Activating a port takes the user to the panel that fits it, on that port.
        emit table->cellActivated(1, 0);
        QCOMPARE(rig.find<QTabWidget>("panels")->currentIndex(), int(MainWindow::LatchedPanel));
        QCOMPARE(rig.find<QSpinBox>("port", rig.window.panel(MainWindow::LatchedPanel))->value(),
                 1);
    }

    void asksTheDualBoardOnItsConfigurationInterface() {
        VirtualBoards::Add({0x0910, L"Zephyr-Lite", L"910", "sim/0910#vid_12da&pid_0910&mi_00"});
        const int config = VirtualBoards::Add(
            {0x0910, L"Zephyr-Lite", L"910", "sim/0910#vid_12da&pid_0910&mi_01"});
        // Port 0 not usable, port 1 a type-4 module.
        VirtualBoards::AnswerConfigStatus(config, 0x0B, 0x00);
        WindowRig rig;
        rig.start();
        QCOMPARE(rig.session.deviceCount(), 1);
        auto *table = rig.find<QTableWidget>("portsTable");
        QTRY_COMPARE(table->rowCount(), 2);
        QCOMPARE(Row(table, 0), (QStringList{"0", "yes", "FAULT", "15", "not usable"}));
        QCOMPARE(Row(table, 1),
                 (QStringList{"1", "yes", "no", "4", "no panel known for type 4: pick one"}));
        // The query's own handle to the configuration interface is closed again: the status
        // query can be asked once more.
        rig.window.findChild<QAction *>(QStringLiteral("statusAction"))->trigger();
        QTRY_COMPARE(table->rowCount(), 2);
    }

    void picturesOfTheWindow() {
        VirtualBoards::Add(kBoard256);
        WindowRig rig;
        rig.start();
        rig.window.resize(1100, 720);
        auto *tabs = rig.find<QTabWidget>("panels");
        tabs->setCurrentIndex(MainWindow::DigitsPanelTab);
        rig.find<QLineEdit>("digitsText", rig.window.panel(MainWindow::DigitsPanelTab))
            ->setText(QStringLiteral("-12.5"));
        rig.find<QPushButton>("sendDigits")->click();
        QVERIFY(rig.window.grab().save(
            QStringLiteral(OUTPUTSCOPE_SCREENSHOT_DIR "/outputscope_digits.png")));
        tabs->setCurrentIndex(MainWindow::LatchedPanel);
        auto *lamps = rig.panel<LampPanel>(MainWindow::LatchedPanel);
        for (int output : {0, 9, 18, 27, 36})
            lamps->setLit(output, true);
        QVERIFY(rig.window.grab().save(
            QStringLiteral(OUTPUTSCOPE_SCREENSHOT_DIR "/outputscope_latched.png")));
        // Every panel, for the eye: outputscope_panel_<tab>.png.
        for (int tab = 0; tab < MainWindow::PanelCount; ++tab) {
            tabs->setCurrentIndex(tab);
            QVERIFY(tabs->currentWidget()->grab().save(
                QStringLiteral(OUTPUTSCOPE_SCREENSHOT_DIR "/outputscope_panel_%1.png").arg(tab)));
        }
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"

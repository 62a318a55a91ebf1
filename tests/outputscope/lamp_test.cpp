// The lamp test: one output at a time from the first to the last, a step per chosen interval,
// then all off; stopping it midway turns everything off; a board that leaves stops it.
#include <QElapsedTimer>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include "lamp_panel.h"
#include "virtual_boards.h"
#include "window_rig.h"

namespace {

const VirtualBoards::Board kBoard{0x0500, L"Halcyon-256 USB MODULE", L"123", "sim/lamps"};
constexpr int kPayload = 9;

// The outputs a report switches on (one byte per output from byte 9, or one bit per output for
// the latched command).
QList<int> OnIn(const QByteArray &report, LampPanel::Kind kind, int outputs) {
    QList<int> on;
    for (int i = 0; i < outputs; ++i) {
        const bool lit = kind == LampPanel::Kind::Latched
                             ? (static_cast<unsigned char>(report[kPayload + i / 8]) >> (i % 8)) & 1
                             : report[kPayload + i] != 0;
        if (lit)
            on.append(i);
    }
    return on;
}

} // namespace

class LampTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { VirtualBoards::Reset(); }

    void chasesOneOutputAtATimeThenAllOff_data() {
        QTest::addColumn<int>("panel");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("outputs");
        QTest::addColumn<int>("intervalMs");
        QTest::newRow("direct, 20 ms")
            << int(MainWindow::DirectPanel) << int(LampPanel::Kind::Direct) << 15 << 20;
        QTest::newRow("latched, 5 ms asked, 20 ms the shortest")
            << int(MainWindow::LatchedPanel) << int(LampPanel::Kind::Latched) << 64 << 5;
        QTest::newRow("direct, 40 ms")
            << int(MainWindow::DirectPanel) << int(LampPanel::Kind::Direct) << 15 << 40;
    }
    void chasesOneOutputAtATimeThenAllOff() {
        QFETCH(int, panel);
        QFETCH(int, kind);
        QFETCH(int, outputs);
        QFETCH(int, intervalMs);
        const int board = VirtualBoards::Add(kBoard);
        WindowRig rig;
        rig.start();
        auto *lamps = rig.panel<LampPanel>(static_cast<MainWindow::Panel>(panel));
        rig.find<QSpinBox>("lampTestInterval", lamps)->setValue(intervalMs);
        const int interval = lamps->lampTestInterval();
        QVERIFY(interval >= 20);
        QList<qint64> sentAtMs;
        QElapsedTimer clock;
        connect(&rig.session, &OutputSession::sent, this,
                [&] { sentAtMs.append(clock.elapsed()); });
        clock.start();
        rig.find<QPushButton>("lampTest", lamps)->click();
        QVERIFY(lamps->isLampTestRunning());
        QTRY_VERIFY_WITH_TIMEOUT(!lamps->isLampTestRunning(), interval * (outputs + 40));

        const QList<QByteArray> reports = VirtualBoards::TakeOutputs(board);
        QCOMPARE(reports.size(), outputs + 1);
        for (int step = 0; step < outputs; ++step)
            QCOMPARE(OnIn(reports[step], static_cast<LampPanel::Kind>(kind), outputs),
                     QList<int>{step});
        QVERIFY(OnIn(reports.last(), static_cast<LampPanel::Kind>(kind), outputs).isEmpty());
        // The first step at once, then one step per interval: step k never before k intervals
        // after the first, and the whole test not dragging (a late step is caught up on).
        QCOMPARE(sentAtMs.size(), outputs + 1);
        QVERIFY2(sentAtMs.first() < interval, qPrintable(QString::number(sentAtMs.first())));
        for (int step = 1; step < sentAtMs.size(); ++step) {
            const qint64 after = sentAtMs[step] - sentAtMs.first();
            QVERIFY2(after >= qint64{step} * interval - 1,
                     qPrintable(QStringLiteral("step %1 after %2 ms").arg(step).arg(after)));
        }
        const qint64 took = sentAtMs.last() - sentAtMs.first();
        QVERIFY2(took < qint64{outputs} * interval * 2 + 500, qPrintable(QString::number(took)));
        QVERIFY(!lamps->isLit(outputs - 1));
    }

    void stoppingMidwayTurnsEverythingOff() {
        const int board = VirtualBoards::Add(kBoard);
        WindowRig rig;
        rig.start();
        auto *lamps = rig.panel<LampPanel>(MainWindow::DirectPanel);
        rig.find<QSpinBox>("lampTestInterval", lamps)->setValue(20);
        auto *button = rig.find<QPushButton>("lampTest", lamps);
        button->click();
        QTRY_VERIFY(VirtualBoards::TakeOutputs(board).size() + rig.calls.size() >= 3);
        button->click();
        QVERIFY(!lamps->isLampTestRunning());
        QVERIFY(!button->isChecked());
        const QList<QByteArray> after = VirtualBoards::TakeOutputs(board);
        QVERIFY(!after.isEmpty());
        QVERIFY(OnIn(after.last(), LampPanel::Kind::Direct, 15).isEmpty());
        QTest::qWait(60);
        QVERIFY(VirtualBoards::TakeOutputs(board).isEmpty());
    }

    void aBoardThatLeavesStopsIt() {
        const int board = VirtualBoards::Add(kBoard);
        WindowRig rig;
        rig.start();
        auto *lamps = rig.panel<LampPanel>(MainWindow::MultiplexedPanel);
        rig.find<QSpinBox>("lampTestInterval", lamps)->setValue(20);
        rig.find<QPushButton>("lampTest", lamps)->click();
        VirtualBoards::Remove(board);
        QTRY_VERIFY(!rig.session.isSelectedPresent());
        QVERIFY(!lamps->isLampTestRunning());
        const qsizetype calls = rig.calls.size();
        QTest::qWait(60);
        QCOMPARE(rig.calls.size(), calls);
    }
};

QTEST_MAIN(LampTest)
#include "lamp_test.moc"

// The session without a window, on a stand-in library: detection and selection, the input
// pages, live polling with the encoder count, the report period and a board that stops
// answering.
#include <QSignalSpy>
#include <QtTest>

#include "fake_panelink.h"
#include "input_session.h"

namespace {

const FakeBoard kBoard256{256, 0x0500, 0x0123, "Halcyon-256 USB MODULE", "123"};
const FakeBoard kBoard64{64, 0x0700, 0x0045, "Halcyon-64 USB MODULE", "7"};

FakeBoard WithInputs(int inputs) {
    return FakeBoard{static_cast<int16_t>(inputs)};
}

struct Rig {
    explicit Rig(std::vector<FakeBoard> boards) {
        api.boards = std::move(boards);
        session.detect();
    }
    // Polls `count` times, as that many timer ticks would.
    void poll(int count = 1) {
        for (int i = 0; i < count; ++i)
            session.poll();
    }
    // The board sends one report with exactly the given inputs on, and it is polled.
    void deliver(std::vector<int> on) {
        api.report(std::move(on));
        poll();
    }
    FakePanelink api;
    InputSession session{api};
};

quint64 Lit(std::initializer_list<int> indicators) {
    quint64 lit = 0;
    for (int i : indicators)
        lit |= quint64{1} << i;
    return lit;
}

} // namespace

class SessionTest : public QObject {
    Q_OBJECT
  private slots:
    void detectionShowsEveryBoardThenSelectsTheFirst() {
        FakePanelink api;
        api.boards = {kBoard256, kBoard64};
        InputSession session(api);
        QSignalSpy shown(&session, &InputSession::deviceShown);
        QSignalSpy detected(&session, &InputSession::devicesDetected);
        QVERIFY(session.detect());
        QCOMPARE(detected.value(0).value(0).toBool(), true);
        QCOMPARE(shown.count(), 3); // boards 0 and 1 in turn, then the selection of board 0
        QCOMPARE(shown.last().value(0).toInt(), 0);
        QCOMPARE(session.deviceCount(), 2);
        QVERIFY(session.isPolling());
        QCOMPARE(session.pollInterval(), 10);

        session.select(1);
        QCOMPARE(session.selectedDevice(), 1);
        QVERIFY(session.isPolling());
        // An index without a record changes nothing.
        session.select(2);
        session.select(-1);
        QCOMPARE(session.selectedDevice(), 1);
    }

    void detectingAgainClosesThePreviousHandles() {
        Rig rig({kBoard256});
        rig.session.select(0);
        rig.session.select(0);
        QCOMPARE(rig.api.closeCounts.size(), size_t{0}); // selecting never closes a board
        const uint32_t first = rig.session.device(0).Handle;
        rig.session.detect();
        QVERIFY(!rig.api.openHandles.count(first));
        const uint32_t second = rig.session.device(0).Handle;
        QVERIFY(rig.api.openHandles.count(second));
        QVERIFY(rig.session.isPolling());

        // A detection that finds nothing closes the last boards too and stops polling.
        rig.api.boards.clear();
        QVERIFY(!rig.session.detect());
        QVERIFY(rig.api.openHandles.empty());
        QCOMPARE(rig.session.deviceCount(), 0);
        QCOMPARE(rig.session.selectedDevice(), 0);
        QVERIFY(!rig.session.isPolling());

        // With nothing detected, neither page turns nor selections do anything.
        QSignalSpy drawn(&rig.session, &InputSession::pageDrawn);
        rig.session.nextPage();
        rig.session.previousPage();
        rig.session.select(0);
        QCOMPARE(drawn.count(), 0);
        QVERIFY(!rig.session.isPolling());
    }

    void closingClosesExactlyTheDetectedRecordsOnce() {
        FakePanelink api;
        api.boards = {kBoard256, kBoard64};
        {
            InputSession session(api);
            session.detect();
            session.closeDevices();
            QCOMPARE(api.closeCounts, std::vector<uint32_t>{2});
            QCOMPARE(session.device(1).Handle, 0u);
            QVERIFY(!session.isPolling());
        } // the end of a closed session closes nothing more
        QCOMPARE(api.closeCounts, std::vector<uint32_t>{2});
        {
            InputSession session(api);
            session.detect();
        } // the end of a session closes its boards
        QCOMPARE(api.closeCounts, (std::vector<uint32_t>{2, 2}));
        QVERIFY(api.openHandles.empty());
    }

    void pageTurns_data() {
        QTest::addColumn<int>("inputs");
        QTest::addColumn<QString>("presses"); // n = next page, p = previous page
        QTest::addColumn<QList<int>>("pages");
        QTest::newRow("64 inputs") << 64 << "np" << QList<int>{0, 0};
        QTest::newRow("100 inputs") << 100 << "nnpp" << QList<int>{1, 1, 0, 0};
        QTest::newRow("no inputs") << 0 << "n" << QList<int>{0};
        QTest::newRow("256 inputs") << 256 << "nnnn" << QList<int>{1, 2, 3, 3};
    }
    void pageTurns() {
        QFETCH(int, inputs);
        QFETCH(QString, presses);
        QFETCH(QList<int>, pages);
        Rig rig({WithInputs(inputs)});
        QCOMPARE(rig.session.page(), 0);
        QSignalSpy drawn(&rig.session, &InputSession::pageDrawn);
        for (qsizetype i = 0; i < presses.size(); ++i) {
            presses[i] == u'n' ? rig.session.nextPage() : rig.session.previousPage();
            QCOMPARE(rig.session.page(), pages[i]);
            QCOMPARE(rig.session.firstInput(), 64 * pages[i] + 1);
        }
        // Every press draws the page, even one that stays.
        QCOMPARE(drawn.count(), presses.size());
    }

    void everyDrawDropsTheEncoderInputsAndTheCount() {
        Rig rig({kBoard64});
        for (auto turn : {&InputSession::nextPage, &InputSession::previousPage}) {
            rig.session.setClockwiseInput(3);
            rig.deliver({});
            rig.deliver({3});
            QCOMPARE(rig.session.count().value(), 1);
            QSignalSpy counted(&rig.session, &InputSession::countChanged);
            (rig.session.*turn)();
            QCOMPARE(rig.session.count().value(), 0);
            QCOMPARE(counted.count(), 1);
            rig.deliver({});
            rig.deliver({3}); // no input chosen any more
            QCOMPARE(rig.session.count().value(), 0);
        }
    }

    void selectionStepsBackAndFallsBackWithinTheNewBoard_data() {
        QTest::addColumn<int>("startPage");
        QTest::addColumn<int>("otherBoard"); // inputs of the board selected next
        QTest::addColumn<int>("expectedPage");
        QTest::newRow("page 4 of 256, then 64 inputs") << 3 << 64 << 0;
        QTest::newRow("page 3 of 256, then 64 inputs") << 2 << 64 << 1;
        QTest::newRow("page 3 of 256, then 192 inputs") << 2 << 192 << 1;
        QTest::newRow("page 1 of 256, then 64 inputs") << 0 << 64 << 0;
    }
    void selectionStepsBackAndFallsBackWithinTheNewBoard() {
        QFETCH(int, startPage);
        QFETCH(int, otherBoard);
        QFETCH(int, expectedPage);
        Rig rig({kBoard256, WithInputs(otherBoard)});
        for (int page = 0; page < startPage; ++page)
            rig.session.nextPage();
        QCOMPARE(rig.session.page(), startPage);
        rig.session.select(1);
        QCOMPARE(rig.session.page(), expectedPage);
        rig.session.previousPage();
        QCOMPARE(rig.session.page(), std::max(expectedPage - 1, 0));
    }

    void detectionStepsBackOnePage() {
        Rig rig({kBoard256});
        rig.session.nextPage();
        rig.session.nextPage();
        rig.session.detect();
        QCOMPARE(rig.session.page(), 1);
    }

    void indicatorsFollowTheReportsOfTheCurrentPage() {
        Rig rig({kBoard256});
        QCOMPARE(rig.session.litIndicators(), quint64{0});
        rig.poll(3); // nothing new: nothing changes
        QCOMPARE(rig.session.litIndicators(), quint64{0});
        rig.deliver({0, 9, 63, 64, 200});
        QCOMPARE(rig.session.litIndicators(), Lit({0, 9, 63}));
        rig.poll(); // the indicators keep the last report
        QCOMPARE(rig.session.litIndicators(), Lit({0, 9, 63}));
        rig.deliver({});
        QCOMPARE(rig.session.litIndicators(), quint64{0});
        // Page 4 shows inputs 193 to 256: input 200 (counted from 0) is its indicator 8.
        for (int i = 0; i < 3; ++i)
            rig.session.nextPage();
        rig.deliver({0, 200, 255});
        QCOMPARE(rig.session.litIndicators(), Lit({8, 63}));
        // Showing a board turns every indicator dark.
        rig.session.select(0);
        QCOMPARE(rig.session.litIndicators(), quint64{0});
    }

    void aPageBeyondTheInputBufferIsShownDark() {
        // The largest 16-bit input count: the last page numbers up to 32768 and lies far
        // beyond the 512 inputs a report can carry.
        Rig rig({WithInputs(32767)});
        for (int page = 1; page <= 512; ++page)
            rig.session.nextPage();
        QCOMPARE(rig.session.page(), 511);
        QCOMPARE(rig.session.firstInput() + 63, 32768);
        rig.deliver({0, 1, 511});
        QCOMPARE(rig.session.litIndicators(), quint64{0});
    }

    void theCountFollowsRisingEdges_data() {
        QTest::addColumn<int>("clockwise");
        QTest::addColumn<int>("counterClockwise");
        QTest::addColumn<QString>("reports"); // inputs on per report, reports split by '|'
        QTest::addColumn<QList<int>>("counts");
        // Pulse, held (no new edge), another input, released, next pulse, counter-clockwise
        // edge as clockwise ends, then three counter-clockwise pulses below zero.
        QTest::newRow("inputs 5 and 6") << 5 << 6 << "5|5|5,7||5|6||6||6||6|"
                                        << QList<int>{1, 1, 1, 1, 2, 1, 1, 0, 0, -1, -1, -2, -2};
        // An encoder turned both ways: each detent pulses input 0 (clockwise) or 1.
        QTest::newRow("encoder on 0 and 1")
            << 0 << 1 << "0||0||0||1||0||0||1||1||1||1||1|"
            << QList<int>{1, 1, 2, 2, 3, 3, 2, 2, 3, 3, 4, 4, 3, 3, 2, 2, 1, 1, 0, 0, -1, -1};
        QTest::newRow("one input in both lists") << 4 << 4 << "4||4" << QList<int>{0, 0, 0};
    }
    void theCountFollowsRisingEdges() {
        QFETCH(int, clockwise);
        QFETCH(int, counterClockwise);
        QFETCH(QString, reports);
        QFETCH(QList<int>, counts);
        Rig rig({kBoard256});
        rig.session.setClockwiseInput(clockwise);
        rig.session.setCounterClockwiseInput(counterClockwise);
        const QStringList steps = reports.split(u'|');
        QCOMPARE(steps.size(), counts.size());
        for (qsizetype i = 0; i < steps.size(); ++i) {
            std::vector<int> on;
            for (const QString &input : steps[i].split(u',', Qt::SkipEmptyParts))
                on.push_back(input.toInt());
            rig.deliver(on);
            QCOMPARE(rig.session.count().value(), counts[i]);
        }
    }

    void anInputOnWhenThePageIsDrawnCountsOnTheNextReport() {
        Rig rig({kBoard256});
        rig.deliver({5});
        rig.session.previousPage(); // redraws page 1: every input taken as off
        rig.session.setClockwiseInput(5);
        rig.deliver({5});
        QCOMPARE(rig.session.count().value(), 1);
    }

    void theCountStopsAtTheEndsOfItsRange() {
        EncoderCount top(std::numeric_limits<qint64>::max());
        top.clockwisePulse();
        QCOMPARE(top.value(), std::numeric_limits<qint64>::max());
        EncoderCount bottom(std::numeric_limits<qint64>::min());
        bottom.counterClockwisePulse();
        QCOMPARE(bottom.value(), std::numeric_limits<qint64>::min());
        bottom.clockwisePulse();
        QCOMPARE(bottom.value(), std::numeric_limits<qint64>::min() + 1);
    }

    void aBoardWithoutInputsIsNeverPolled() {
        Rig rig({WithInputs(0)});
        rig.api.report({0, 1, 2});
        QSignalSpy periods(&rig.session, &InputSession::periodChanged);
        rig.poll(150);
        QCOMPARE(rig.api.polls, 0);
        QCOMPARE(rig.session.litIndicators(), quint64{0});
        QCOMPARE(periods.count(), 150);
        QCOMPARE(periods.last().value(0).toLongLong(), InputSession::kUnknownPeriod);
    }

    void thePeriodIsAnnouncedOnceTwoReportsHaveArrived() {
        Rig rig({kBoard256});
        qint64 nowNs = 5'000'000'000;
        rig.session.setClock([&nowNs] { return nowNs; });
        QSignalSpy periods(&rig.session, &InputSession::periodChanged);
        const auto lastPeriod = [&periods] { return periods.last().value(0).toLongLong(); };

        rig.deliver({1});
        QCOMPARE(rig.session.litIndicators(), Lit({1}));
        rig.poll(99);
        QCOMPARE(periods.count(), 0); // first announced on the 101st poll
        rig.poll();
        QCOMPARE(lastPeriod(), InputSession::kUnknownPeriod); // one report only

        nowNs += 16'400'000; // 16.4 ms later
        rig.deliver({2});
        rig.poll(98);
        QCOMPARE(periods.count(), 1);
        rig.poll();
        QCOMPARE(lastPeriod(), 16);

        nowNs += 1'000'000'000; // no report: the last period stays announced
        rig.poll(100);
        QCOMPARE(periods.count(), 3);
        QCOMPARE(lastPeriod(), 16);
    }

    void aBoardThatFailsItsPollsIsNotResponding() {
        Rig rig({kBoard256, kBoard64});
        QSignalSpy responding(&rig.session, &InputSession::respondingChanged);
        rig.deliver({3});
        for (int32_t result : {PANELINK_READ_PENDING, PANELINK_READ_TIMED_OUT}) {
            rig.api.results.push_back(result);
            rig.poll();
            QVERIFY(rig.session.isResponding());
        }
        rig.api.openHandles.clear(); // unplugged: every poll fails
        rig.poll(3);
        QVERIFY(!rig.session.isResponding());
        QCOMPARE(responding.count(), 1);
        // The next board shown starts out responding.
        rig.session.select(1);
        QVERIFY(rig.session.isResponding());
        QCOMPARE(responding.count(), 2);
    }
};

QTEST_GUILESS_MAIN(SessionTest)
#include "session_test.moc"

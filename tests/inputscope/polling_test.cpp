// Live polling: indicator colours from the board's reports, the encoder pulse counter and the
// report period in the status bar.
#include <numeric>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "AppDeclarations.h"
#include "indicator_shape.h"
#include "sim_bus.h"
#include "window_fixture.h"

namespace {

const SimBus::Board kBoard256{0x0500, 0x0100, L"Halcyon-256 USB MODULE", L"001", "sim/256"};
const SimBus::Board kBoard0{0x0910, 0x0100, L"Zephyr-Lite", L"004", "sim/0"};
const SimBus::Board kJoystick{0x0600, 0x0100, L"Zephyr - USB Adapter", L"005", "sim/joy"};

} // namespace

class PollingTest : public QObject {
    Q_OBJECT
  private slots:
    void indicatorsFollowTheReportsOfTheCurrentPage() {
        WindowFixture fixture;
        const int id = SimBus::AddBoard(kBoard256);
        frmMain &form = fixture.Load();
        QVERIFY(fixture.LitIndicators().isEmpty());

        SimBus::PushInputs(id, {0, 9, 63, 64, 200});
        fixture.Deliver();
        QCOMPARE(fixture.LitIndicators(), (QList<int>{0, 9, 63}));
        QCOMPARE(form.Shape[1]->FillColor(), 0x000080u);
        QCOMPARE(form.Shape[9]->FillColor(), 0x0000FFu);

        SimBus::PushInputs(id, {});
        fixture.Deliver();
        QVERIFY(fixture.LitIndicators().isEmpty());

        // Page 4 shows inputs 193 to 256: input 200 (counted from 0) is its indicator 8.
        form.NextPage->click();
        form.NextPage->click();
        form.NextPage->click();
        SimBus::PushInputs(id, {0, 200, 255});
        fixture.Deliver();
        QCOMPARE(fixture.LitIndicators(), (QList<int>{8, 63}));
    }

    void joystickButtonsLightTheirIndicators() {
        WindowFixture fixture;
        const int id = SimBus::AddJoystick(kJoystick, 32);
        fixture.Load();
        SimBus::PushButtons(id, 32, {2, 31});
        fixture.Deliver();
        QCOMPARE(fixture.LitIndicators(), (QList<int>{2, 31}));
    }

    void theCounterCountsRisingEdgesOfTheChosenInputs() {
        WindowFixture fixture;
        const int id = SimBus::AddBoard(kBoard256);
        frmMain &form = fixture.Load();
        form.CWlist->setCurrentIndex(5);
        form.CCWlist->setCurrentIndex(6);

        const auto step = [&](std::initializer_list<int> on) {
            SimBus::PushInputs(id, on);
            fixture.Deliver();
            return form.Counter_label->text();
        };
        QCOMPARE(step({5}), QStringLiteral("1"));    // clockwise pulse
        QCOMPARE(step({5}), QStringLiteral("1"));    // held: no new edge
        QCOMPARE(step({5, 7}), QStringLiteral("1")); // another input changes nothing
        QCOMPARE(step({}), QStringLiteral("1"));     // released
        QCOMPARE(step({5}), QStringLiteral("2"));    // next pulse
        QCOMPARE(step({6}), QStringLiteral("1"));    // counter-clockwise edge, clockwise ends
        QCOMPARE(step({}), QStringLiteral("1"));
        for (int i = 0; i < 3; ++i) {
            step({6});
            step({});
        }
        QCOMPARE(form.Counter_label->text(), QStringLiteral("-2")); // counts below zero
    }

    void anEncoderTurnedBothWaysOnInputsZeroAndOne() {
        // Each detent of the encoder pulses one of its two inputs: input 0 clockwise, input 1
        // counter-clockwise.
        WindowFixture fixture;
        const int id = SimBus::AddBoard(kBoard256);
        frmMain &form = fixture.Load();
        form.CWlist->setCurrentIndex(0);
        form.CCWlist->setCurrentIndex(1);
        const int turns[] = {+1, +1, +1, -1, +1, +1, -1, -1, -1, -1, -1};
        int expected = 0;
        for (int turn : turns) {
            SimBus::PushInputs(id, {turn > 0 ? 0 : 1});
            fixture.Deliver();
            SimBus::PushInputs(id, {});
            fixture.Deliver();
            expected += turn;
            QCOMPARE(form.Counter_label->text(), QString::number(expected));
        }
    }

    void theSameInputInBothListsLeavesTheCountAlone() {
        WindowFixture fixture;
        const int id = SimBus::AddBoard(kBoard256);
        frmMain &form = fixture.Load();
        form.CWlist->setCurrentIndex(4);
        form.CCWlist->setCurrentIndex(4);
        SimBus::PushInputs(id, {4});
        fixture.Deliver();
        QCOMPARE(fixture.LitIndicators(), QList<int>{4});
        QCOMPARE(form.Counter_label->text(), QStringLiteral("0"));
    }

    void anInputOnWhenThePageIsDrawnCountsOnTheNextReport() {
        WindowFixture fixture;
        const int id = SimBus::AddBoard(kBoard256);
        frmMain &form = fixture.Load();
        SimBus::PushInputs(id, {5});
        fixture.Deliver();
        form.PreviousPage->click(); // redraws page 1: every indicator marked off
        form.CWlist->setCurrentIndex(5);
        SimBus::PushInputs(id, {5});
        fixture.Deliver();
        QCOMPARE(form.Counter_label->text(), QStringLiteral("1"));
    }

    void aBoardWithoutInputsIsNeverPolled() {
        WindowFixture fixture;
        const int id = SimBus::AddBoard(kBoard0);
        frmMain &form = fixture.Load();
        std::vector<int> all(512);
        std::iota(all.begin(), all.end(), 0);
        SimBus::PushInputs(id, all);
        fixture.Tick(150);
        QVERIFY(fixture.LitIndicators().isEmpty());
        QCOMPARE(form.StatusBar2->text(), QStringLiteral(" Freq (ms): "));
    }

    void thePeriodIsShownOnceTwoReportsHaveArrived() {
        WindowFixture fixture;
        const int id = SimBus::AddBoard(kBoard256);
        frmMain &form = fixture.Load();
        qint64 nowNs = 5'000'000'000;
        form.MonotonicNs = [&nowNs] { return nowNs; };

        SimBus::PushInputs(id, {1});
        fixture.Deliver();
        QCOMPARE(fixture.LitIndicators(), QList<int>{1});
        fixture.Tick(100 - fixture.TicksRun());
        QCOMPARE(form.StatusBar2->text(), QString()); // first written on the 101st tick
        fixture.Tick();
        QCOMPARE(form.StatusBar2->text(), QStringLiteral(" Freq (ms): ")); // one report only

        nowNs += 16'400'000; // 16.4 ms later
        SimBus::PushInputs(id, {2});
        fixture.Deliver();
        QCOMPARE(fixture.LitIndicators(), QList<int>{2});
        fixture.Tick(200 - fixture.TicksRun());
        QCOMPARE(form.StatusBar2->text(), QStringLiteral(" Freq (ms): "));
        fixture.Tick();
        QCOMPARE(form.StatusBar2->text(), QStringLiteral(" Freq (ms): 16"));

        nowNs += 1'000'000'000; // no report: the last period stays shown
        fixture.Tick(100);
        QCOMPARE(form.StatusBar2->text(), QStringLiteral(" Freq (ms): 16"));
    }
};

QTEST_MAIN(PollingTest)
#include "polling_test.moc"

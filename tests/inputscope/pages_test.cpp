// Input pages: stepping through a board's inputs, and where the page falls back to when
// another board is chosen.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include "AppDeclarations.h"
#include "sim_bus.h"
#include "window_fixture.h"

namespace {

const SimBus::Board kBoard256{0x0500, 0x0100, L"Halcyon-256 USB MODULE", L"001", "sim/256"};
const SimBus::Board kBoard192{0x0710, 0x0100, L"Corvid", L"002", "sim/192"};
const SimBus::Board kBoard64{0x0700, 0x0100, L"Halcyon-64 USB MODULE", L"003", "sim/64"};
const SimBus::Board kBoard0{0x0910, 0x0100, L"Zephyr-Lite", L"004", "sim/0"};
const SimBus::Board kJoystick{0x0600, 0x0100, L"Zephyr - USB Adapter", L"005", "sim/joy"};

QStringList Numbers(int first, bool spaced = false) {
    QStringList numbers;
    for (int i = 0; i < 64; ++i)
        numbers.append((spaced ? QStringLiteral(" ") : QString()) + QString::number(first + i));
    return numbers;
}

// The page shown: its caption, its numbers and the global page index agree.
void CheckPage(WindowFixture &fixture, int page) {
    QCOMPARE(CurrentPage, static_cast<int16_t>(page));
    QCOMPARE(fixture.Form().Frame1->title(), QStringLiteral("Input Page %1     ").arg(page + 1));
    QCOMPARE(fixture.Numbers(), Numbers(64 * page + 1));
}

void Select(frmMain &form, int entry) {
    form.Combo1->setCurrentIndex(entry);
    emit form.Combo1->activated(entry);
}

} // namespace

class PagesTest : public QObject {
    Q_OBJECT
  private slots:
    void sixtyFourInputsStayOnTheFirstPageAndEveryPressResets() {
        WindowFixture fixture;
        SimBus::AddBoard(kBoard64);
        frmMain &form = fixture.Load();
        CheckPage(fixture, 0);
        for (QPushButton *button : {form.NextPage, form.PreviousPage}) {
            form.Counter_label->setText(QStringLiteral("7"));
            form.CWlist->setCurrentIndex(3);
            button->click();
            CheckPage(fixture, 0);
            QCOMPARE(form.Counter_label->text(), QStringLiteral("0"));
            QCOMPARE(WindowFixture::Items(form.CWlist), Numbers(1, true));
            QCOMPARE(WindowFixture::Items(form.CCWlist), Numbers(1, true));
            QCOMPARE(form.CWlist->currentIndex(), -1);
        }
    }

    void aHundredInputsMakeTwoPages() {
        WindowFixture fixture;
        SimBus::AddJoystick(kJoystick, 100);
        frmMain &form = fixture.Load();
        QVERIFY(form.TextBox1->toPlainText().endsWith(QStringLiteral("  Data Inputs: 100\n")));
        form.NextPage->click();
        CheckPage(fixture, 1); // numbers 65 to 128, although 101 to 128 do not exist
        QCOMPARE(WindowFixture::Items(form.CWlist), Numbers(65, true));
        form.NextPage->click();
        CheckPage(fixture, 1);
        form.PreviousPage->click();
        CheckPage(fixture, 0);
        form.PreviousPage->click();
        CheckPage(fixture, 0);
    }

    void noInputsMakeOnlyTheFirstPage() {
        WindowFixture fixture;
        SimBus::AddBoard(kBoard0);
        frmMain &form = fixture.Load();
        QCOMPARE(form.TextBox1->toPlainText().split('\n').value(6),
                 QStringLiteral("  Data Inputs: 0"));
        form.NextPage->click();
        CheckPage(fixture, 0);
    }

    void twoHundredFiftySixInputsMakeFourPages() {
        WindowFixture fixture;
        SimBus::AddBoard(kBoard256);
        frmMain &form = fixture.Load();
        for (int page = 1; page <= 3; ++page) {
            form.NextPage->click();
            CheckPage(fixture, page);
        }
        form.NextPage->click();
        CheckPage(fixture, 3);
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
        WindowFixture fixture;
        SimBus::AddBoard(kBoard256);
        SimBus::AddBoard(otherBoard == 64 ? kBoard64 : kBoard192);
        frmMain &form = fixture.Load();
        for (int page = 0; page < startPage; ++page)
            form.NextPage->click();
        CheckPage(fixture, startPage);

        Select(form, 1);
        CheckPage(fixture, expectedPage);
        form.PreviousPage->click();
        CheckPage(fixture, std::max(expectedPage - 1, 0));
    }

    void detectionStepsBackOnePage() {
        WindowFixture fixture;
        SimBus::AddBoard(kBoard256);
        frmMain &form = fixture.Load();
        form.NextPage->click();
        form.NextPage->click();
        CheckPage(fixture, 2);
        form.ComRefresh->click();
        CheckPage(fixture, 1);
    }

    void aPageBeyondTheInputBufferIsDrawnAndShownDark() {
        // The largest 16-bit input count: the last page numbers up to 32768 and lies far
        // beyond the 512 inputs a report can carry.
        WindowFixture fixture;
        const int id = SimBus::AddBoard(kBoard256);
        frmMain &form = fixture.Load();
        Devices[0].InputCount = 32767;
        for (int page = 1; page <= 511; ++page)
            form.NextPage->click();
        CheckPage(fixture, 511);
        form.NextPage->click();
        CheckPage(fixture, 511);
        QCOMPARE(form.Label[63]->text(), QStringLiteral("32768"));
        SimBus::PushInputs(id, {0, 1, 511});
        fixture.Deliver();
        QVERIFY(fixture.LitIndicators().isEmpty());
    }
};

QTEST_MAIN(PagesTest)
#include "pages_test.moc"

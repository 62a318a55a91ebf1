// Start, detection, the device list, the identity panel, and the end of the program.
#include <clocale>
#include <string>

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "ApiDeclarations.h"
#include "AppDeclarations.h"
#include "indicator_shape.h"
#include "sim_bus.h"
#include "window_fixture.h"

namespace {

const SimBus::Board kBoard256{0x0500, 0x0123, L"Halcyon-256 USB MODULE", L"123", "sim/a"};
const SimBus::Board kBoard64{0x0700, 0x0045, L"Halcyon-64 USB MODULE", L"7", "sim/b"};

QStringList PageOneNumbers(int first) {
    QStringList numbers;
    for (int i = 0; i < 64; ++i)
        numbers.append(QString::number(first + i));
    return numbers;
}

// True while the handle of `record` is open: a poll through a copy of it (in a polling slot no
// window record uses) starts a read instead of being refused.
bool HandleIsOpen(const DeviceRecord &record, uint16_t spareSlot) {
    DeviceRecord copy = record;
    copy.DeviceIndex = spareSlot;
    uint8_t states[PANELINK_INPUT_STATES_SIZE] = {};
    return Api::ReadInputData(&copy, states, 0) != PANELINK_READ_FAILED;
}

} // namespace

class DetectionTest : public QObject {
    Q_OBJECT
  private slots:
    void noBoardAtStartShowsEveryNoDeviceText() {
        WindowFixture fixture;
        frmMain &form = fixture.Load();

        QCOMPARE(form.windowTitle(), QStringLiteral("Inputscope V" INPUTSCOPE_EXPECTED_VERSION));
        QCOMPARE(form.Label1->text(),
                 QStringLiteral("Refresh Device List. Press this button if you have connected or "
                                "disconnected an input device."));
        QCOMPARE(fixture.Numbers(), PageOneNumbers(1));
        QCOMPARE(WindowFixture::Items(form.Combo1), QStringList{"No Devices Detected"});
        QCOMPARE(form.Combo1->currentIndex(), 0);
        QCOMPARE(form.TextBox1->toPlainText(),
                 QStringLiteral(" No compatible input devices detected!\n\n"));
        QCOMPARE(form.StatusBar1->text(), QStringLiteral("  No Devices Detected!"));
        QVERIFY(form.StatusBar1->font().bold());
        QVERIFY(form.StatusBar2->font().bold());
        QCOMPARE(form.Frame1->title(), QStringLiteral("Input Page 1     "));
        QCOMPARE(form.Counter_label->text(), QStringLiteral("0"));
        QCOMPARE(WindowFixture::Items(form.CWlist).first(), QStringLiteral(" 1"));
        QCOMPARE(form.CWlist->currentIndex(), -1);
        QVERIFY(!form.tmrContinuousDataCollect->isActive());
        QCOMPARE(DeviceCount, 0);

        // With nothing listed the page buttons do nothing.
        form.NextPage->click();
        QCOMPARE(CurrentPage, int16_t{0});
        QCOMPARE(form.Frame1->title(), QStringLiteral("Input Page 1     "));
    }

    void choosingTheNoDevicesEntryChangesNothing() {
        WindowFixture fixture;
        frmMain &form = fixture.Load();
        form.Counter_label->setText(QStringLiteral("5"));
        emit form.Combo1->activated(0);
        QVERIFY(!form.tmrContinuousDataCollect->isActive());
        QCOMPARE(form.Counter_label->text(), QStringLiteral("5"));
        QCOMPARE(form.StatusBar1->text(), QStringLiteral("  No Devices Detected!"));
        QCOMPARE(SelectedDevice, int16_t{0});
    }

    void twoBoardsAreListedAndTheFirstIsShown() {
        WindowFixture fixture;
        SimBus::AddBoard(kBoard256);
        SimBus::AddBoard(kBoard64);
        frmMain &form = fixture.Load();

        QCOMPARE(DeviceCount, 2);
        QCOMPARE(WindowFixture::Items(form.Combo1),
                 (QStringList{"Halcyon-256 USB MODULE - 123", "Halcyon-64 USB MODULE - 7"}));
        QCOMPARE(form.Combo1->currentIndex(), 0);
        QCOMPARE(SelectedDevice, int16_t{0});
        QCOMPARE(form.TextBox1->toPlainText(),
                 QStringLiteral("Device:  1\n"
                                "Device Type: Halcyon-256 USB MODULE\n"
                                "  Vendor ID: 12DA\n"
                                "  Product ID: 500\n"
                                "  Firmware Version: 1.23\n"
                                "  Serial Num: 123\n"
                                "  Data Inputs: 256\n"));
        QCOMPARE(form.StatusBar1->text(),
                 QStringLiteral(" Device:  1   Device Type: Halcyon-256 USB MODULE"));
        QVERIFY(form.tmrContinuousDataCollect->isActive());
        QCOMPARE(form.tmrContinuousDataCollect->interval(), 10);

        // The user picks the second board.
        form.Combo1->setCurrentIndex(1);
        emit form.Combo1->activated(1);
        QCOMPARE(SelectedDevice, int16_t{1});
        QCOMPARE(form.TextBox1->toPlainText(), QStringLiteral("Device:  2\n"
                                                              "Device Type: Halcyon-64 USB MODULE\n"
                                                              "  Vendor ID: 12DA\n"
                                                              "  Product ID: 700\n"
                                                              "  Version Number: 45\n"
                                                              "  Serial Num: 7\n"
                                                              "  Data Inputs: 64\n"));
        QCOMPARE(form.StatusBar1->text(),
                 QStringLiteral(" Device:  2   Device Type: Halcyon-64 USB MODULE"));
        QVERIFY(form.tmrContinuousDataCollect->isActive());
    }

    void deviceTextsAreShownAsTheBoardNamesItself() {
        // The library writes device texts in the current locale; letters beyond ASCII and
        // characters that look like markup must come out on screen unchanged.
        const std::string previous = std::setlocale(LC_CTYPE, nullptr);
        if (!std::setlocale(LC_CTYPE, "C.UTF-8"))
            QSKIP("no UTF-8 locale on this machine");
        WindowFixture fixture;
        SimBus::AddBoard({0x0700, 0x0045, L"Z\u00E9phyr <b>Lite</b> &amp;", L"9\u00E9", "sim/t"});
        frmMain &form = fixture.Load();
        std::setlocale(LC_CTYPE, previous.c_str());

        const QString name = QStringLiteral(u"Z\u00E9phyr <b>Lite</b> &amp;");
        QCOMPARE(WindowFixture::Items(form.Combo1),
                 QStringList{name + QStringLiteral(u" - 9\u00E9")});
        QCOMPARE(form.TextBox1->toPlainText().split('\n').value(1),
                 QStringLiteral("Device Type: ") + name);
        QCOMPARE(form.TextBox1->toPlainText().split('\n').value(5),
                 QStringLiteral(u"  Serial Num: 9\u00E9"));
        const QString status = QStringLiteral(" Device:  1   Device Type: ") + name;
        QCOMPARE(form.StatusBar1->text(), status);
        // Shown as plain text: the label needs the width of every character, tags included.
        QVERIFY(form.StatusBar1->sizeHint().width() >=
                form.StatusBar1->fontMetrics().horizontalAdvance(status));
    }

    void versionLine_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<QString>("line");
        QTest::newRow("two digits") << 0x0045 << QStringLiteral("  Version Number: 45");
        QTest::newRow("three digits") << 0x0100 << QStringLiteral("  Firmware Version: 1.00");
        QTest::newRow("four digits") << 0x1002 << QStringLiteral("  Firmware Version: 10.02");
        QTest::newRow("zero") << 0 << QStringLiteral("  Version Number: 0");
    }
    void versionLine() {
        QFETCH(int, version);
        QFETCH(QString, line);
        WindowFixture fixture;
        SimBus::Board board = kBoard64;
        board.versionNumber = static_cast<uint16_t>(version);
        SimBus::AddBoard(board);
        frmMain &form = fixture.Load();
        QCOMPARE(form.TextBox1->toPlainText().split('\n').value(4), line);
    }

    void detectingAgainClosesThePreviousHandles() {
        WindowFixture fixture;
        const int id = SimBus::AddBoard(kBoard256);
        frmMain &form = fixture.Load();
        const DeviceRecord first = Devices[0];
        QVERIFY(HandleIsOpen(first, 100));

        form.ComRefresh->click();
        QCOMPARE(DeviceCount, 1);
        QVERIFY(!HandleIsOpen(first, 101));
        const DeviceRecord second = Devices[0];
        QVERIFY(HandleIsOpen(second, 102));
        QVERIFY(form.tmrContinuousDataCollect->isActive());

        // A detection that finds nothing closes the last boards too and stops polling.
        SimBus::Remove(id);
        form.ComRefresh->click();
        QVERIFY(!HandleIsOpen(second, 103));
        QCOMPARE(DeviceCount, 0);
        QVERIFY(!form.tmrContinuousDataCollect->isActive());
        QCOMPARE(WindowFixture::Items(form.Combo1), QStringList{"No Devices Detected"});
        QCOMPARE(form.StatusBar1->text(), QStringLiteral("  No Devices Detected!"));
    }

    void closingTheWindowClosesExactlyTheDetectedRecords() {
        WindowFixture fixture;
        SimBus::AddBoard(kBoard256);
        SimBus::AddBoard(kBoard64);
        frmMain &form = fixture.Load();
        QCOMPARE(DeviceCount, 2);

        // A record past the detected ones, holding a handle that is not the window's to close.
        static DeviceRecord own[kDeviceSlots];
        int32_t ownCount = 0;
        QVERIFY(Api::DetectHID(&ownCount, own, PANELINK_MODE_STANDARD));
        Devices[2] = own[0];

        form.close();
        QCOMPARE(Devices[0].Handle, 0u);
        QCOMPARE(Devices[1].Handle, 0u);
        QCOMPARE(Devices[2].Handle, own[0].Handle);
        QVERIFY(HandleIsOpen(own[0], 110));
        Api::CloseDevices(static_cast<uint32_t>(ownCount), own);
    }

    void aMissingLibraryFunctionIsReportedByName() {
        WindowFixture fixture;
        try {
            Api::Resolve("NoSuchExport");
            QFAIL("a missing function was not reported");
        } catch (const FatalError &error) {
            QVERIFY2(QString::fromStdString(error.what()).contains("NoSuchExport"), error.what());
        }
    }
};

QTEST_MAIN(DetectionTest)
#include "detection_test.moc"

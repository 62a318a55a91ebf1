// Each panel's action produces exactly the report that the library call with the same
// arguments makes: the panel's report, as the virtual board receives it, is compared with the
// report of that export called directly on the same board. The wire view's bytes are compared
// with what the board received too (they come from the recorder, not from the board).
#include <array>
#include <cstring>
#include <functional>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTextBrowser>
#include <QtTest>

#include "dot_grid.h"
#include "dot_matrix_panel.h"
#include "lamp_panel.h"
#include "segment_display.h"
#include "virtual_boards.h"
#include "window_rig.h"

namespace {

const VirtualBoards::Board kBoard{0x0500, L"Halcyon-256 USB MODULE", L"123", "sim/outputs"};

// Sets the panel's controls and makes it send.
using Drive = std::function<void(WindowRig &rig, QWidget *panel)>;
// The export called directly, with the arguments the drive chose.
using Direct = std::function<int32_t(PanelinkOutputApi &api, DeviceRecord *device)>;

struct Case {
    MainWindow::Panel panel = MainWindow::DirectPanel;
    Drive drive;
    Direct direct;
};

void SetSpin(WindowRig &rig, QWidget *panel, const char *name, int value) {
    rig.find<QSpinBox>(name, panel)->setValue(value);
}

void SetText(WindowRig &rig, QWidget *panel, const char *name, const QString &text) {
    rig.find<QLineEdit>(name, panel)->setText(text);
}

void Click(WindowRig &rig, QWidget *panel, const char *name) {
    rig.find<QPushButton>(name, panel)->click();
}

template <size_t N> std::array<uint8_t, N> Bytes(std::initializer_list<std::pair<int, int>> set) {
    std::array<uint8_t, N> bytes{};
    for (auto [index, value] : set)
        bytes[index] = static_cast<uint8_t>(value);
    return bytes;
}

} // namespace

Q_DECLARE_METATYPE(Case)

class PanelsTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { VirtualBoards::Reset(); }

    void eachPanelSendsWhatTheLibraryCallSends_data() {
        QTest::addColumn<Case>("testCase");
        QTest::newRow("direct lamps")
            << Case{MainWindow::DirectPanel,
                    [](WindowRig &rig, QWidget *panel) {
                        SetSpin(rig, panel, "port", 3);
                        auto *lamps = qobject_cast<LampPanel *>(panel);
                        lamps->setLit(0, true);
                        lamps->setLit(14, true);
                    },
                    [](PanelinkOutputApi &api, DeviceRecord *d) {
                        const auto data = Bytes<PANELINK_DIRECT_OUTPUT_BYTES>({{0, 1}, {14, 1}});
                        return api.writeDirectOutput(d, 3, data.data());
                    }};
        QTest::newRow("multiplexed all on")
            << Case{MainWindow::MultiplexedPanel,
                    [](WindowRig &rig, QWidget *panel) {
                        SetSpin(rig, panel, "port", 5);
                        Click(rig, panel, "allOn");
                    },
                    [](PanelinkOutputApi &api, DeviceRecord *d) {
                        std::array<uint8_t, PANELINK_MUX_OUTPUT_BYTES> data;
                        data.fill(1);
                        return api.writeMuxOutput(d, 5, data.data());
                    }};
        QTest::newRow("latched lamps and parameter")
            << Case{MainWindow::LatchedPanel,
                    [](WindowRig &rig, QWidget *panel) {
                        SetSpin(rig, panel, "port", 2);
                        SetSpin(rig, panel, "parameter", 7);
                        auto *lamps = qobject_cast<LampPanel *>(panel);
                        lamps->setLit(0, true);
                        lamps->setLit(9, true);
                        lamps->setLit(63, true);
                    },
                    [](PanelinkOutputApi &api, DeviceRecord *d) {
                        const auto states =
                            Bytes<PANELINK_LATCHED_OUTPUT_STATES>({{0, 1}, {9, 1}, {63, 1}});
                        return api.writeLatchedOutput(d, 2, states.data(), 7);
                    }};
        QTest::newRow("digits") << Case{MainWindow::DigitsPanelTab,
                                        [](WindowRig &rig, QWidget *panel) {
                                            SetSpin(rig, panel, "port", 1);
                                            SetSpin(rig, panel, "parameter", 2);
                                            SetText(rig, panel, "digitsText",
                                                    QStringLiteral("-12.5"));
                                            Click(rig, panel, "sendDigits");
                                        },
                                        [](PanelinkOutputApi &api, DeviceRecord *d) {
                                            return api.writeDisplayOutput(d, 1, "-12.5", 2);
                                        }};
        QTest::newRow("tandem") << Case{
            MainWindow::TandemPanelTab,
            [](WindowRig &rig, QWidget *panel) {
                SetText(rig, panel, "tandemGroup1", QStringLiteral("12.3"));
                SetText(rig, panel, "tandemGroup2", QStringLiteral("L-P="));
                rig.find<QComboBox>("tandemSingle", panel)->setCurrentIndex(15);
                SetSpin(rig, panel, "tandemRaw1", 0xAB);
                SetSpin(rig, panel, "tandemRaw2", 0xCD);
                SetSpin(rig, panel, "parameter", 4);
                Click(rig, panel, "sendTandem");
            },
            [](PanelinkOutputApi &api, DeviceRecord *d) {
                char layout[22] = "12.3";
                std::memcpy(layout + 9, "L-P=", 4);
                layout[18] = 15;
                layout[20] = static_cast<char>(0xAB);
                layout[21] = static_cast<char>(0xCD);
                return api.writeTandem(d, layout, 4);
            }};
        QTest::newRow("board digits") << Case{MainWindow::BoardDigitsPanelTab,
                                              [](WindowRig &rig, QWidget *panel) {
                                                  SetSpin(rig, panel, "boardDigitsFirst", 0x12);
                                                  SetSpin(rig, panel, "boardDigitsSecond", 0xF4);
                                                  Click(rig, panel, "sendBoardDigits");
                                              },
                                              [](PanelinkOutputApi &api, DeviceRecord *d) {
                                                  const uint8_t bytes[2] = {0x12, 0xF4};
                                                  return api.write7Segment(d, bytes);
                                              }};
        QTest::newRow("character LCD text")
            << Case{MainWindow::LcdPanelTab,
                    [](WindowRig &rig, QWidget *panel) {
                        SetSpin(rig, panel, "lcdSelector", 2);
                        SetSpin(rig, panel, "parameter", 1);
                        SetText(rig, panel, "lcdText", QStringLiteral("Hello"));
                        Click(rig, panel, "sendLcd");
                    },
                    [](PanelinkOutputApi &api, DeviceRecord *d) {
                        return api.writeLcd(d, 2, "Hello               ", 1);
                    }};
        QTest::newRow("character LCD clear")
            << Case{MainWindow::LcdPanelTab,
                    [](WindowRig &rig, QWidget *panel) { Click(rig, panel, "clearLcd"); },
                    [](PanelinkOutputApi &api, DeviceRecord *d) { return api.clearLcd(d); }};
        QTest::newRow("graphic LCD command") << Case{
            MainWindow::GlcdPanelTab,
            [](WindowRig &rig, QWidget *panel) {
                SetSpin(rig, panel, "port", 4);
                SetSpin(rig, panel, "parameter", 9);
                SetSpin(rig, panel, "glcdCommand", 0x40);
                Click(rig, panel, "sendGlcdCommand");
            },
            [](PanelinkOutputApi &api, DeviceRecord *d) { return api.cmdGlcd(d, 4, 9, 0x40); }};
        QTest::newRow("graphic LCD two lines")
            << Case{MainWindow::GlcdPanelTab,
                    [](WindowRig &rig, QWidget *panel) {
                        SetSpin(rig, panel, "port", 7);
                        SetSpin(rig, panel, "glcdPosition", 0x21);
                        SetSpin(rig, panel, "glcdLines", 2);
                        SetText(rig, panel, "glcdLine1", QStringLiteral("ALT 12000"));
                        SetText(rig, panel, "glcdLine2", QStringLiteral("HDG 270"));
                        Click(rig, panel, "sendGlcdText");
                    },
                    [](PanelinkOutputApi &api, DeviceRecord *d) {
                        return api.writeGlcd(d, 7, 0x21, 2, 0,
                                             "ALT 12000               HDG 270                 ");
                    }};
        QTest::newRow("dot matrix")
            << Case{MainWindow::DotMatrixPanelTab,
                    [](WindowRig &rig, QWidget *panel) {
                        SetSpin(rig, panel, "port", 9);
                        SetSpin(rig, panel, "parameter", 3);
                        auto *grid = rig.find<DotGrid>("dotGrid", panel);
                        // Dots are switched by clicking them.
                        for (auto [column, row] : {std::pair{0, 0}, {15, 7}, {3, 2}, {3, 5}})
                            QTest::mouseClick(grid, Qt::LeftButton, {},
                                              grid->dotRect(column, row).center());
                        Click(rig, panel, "sendDots");
                    },
                    [](PanelinkOutputApi &api, DeviceRecord *d) {
                        const auto patterns =
                            Bytes<PANELINK_DOT_MATRIX_BYTES>({{0, 0x01}, {15, 0x80}, {3, 0x24}});
                        return api.writeDotMatrix(d, 9, patterns.data(), 3);
                    }};
        QTest::newRow("DAC sliders")
            << Case{MainWindow::DacPanelTab,
                    [](WindowRig &rig, QWidget *panel) {
                        SetSpin(rig, panel, "port", 11);
                        SetSpin(rig, panel, "parameter", 5);
                        rig.find<QSlider>("dac0", panel)->setValue(10);
                        rig.find<QSlider>("dac39", panel)->setValue(255);
                    },
                    [](PanelinkOutputApi &api, DeviceRecord *d) {
                        const auto data = Bytes<PANELINK_SPI_DAC_BYTES>({{0, 10}, {39, 255}});
                        return api.writeSpiDac(d, 11, data.data(), 5);
                    }};
        QTest::newRow("CRT/RWR") << Case{MainWindow::CrtRwrPanelTab,
                                         [](WindowRig &rig, QWidget *panel) {
                                             SetSpin(rig, panel, "port", 6);
                                             SetSpin(rig, panel, "crtValue", 7);
                                             SetSpin(rig, panel, "crtStart", 5);
                                             SetSpin(rig, panel, "crtCount", 3);
                                             SetSpin(rig, panel, "crtValue0", 1);
                                             SetSpin(rig, panel, "crtValue1", -2);
                                             SetSpin(rig, panel, "crtValue2", 70000);
                                             SetSpin(rig, panel, "crtValue3",
                                                     99); // beyond the count: not sent
                                             Click(rig, panel, "sendCrt");
                                         },
                                         [](PanelinkOutputApi &api, DeviceRecord *d) {
                                             int32_t values[9] = {0, 0, 0, 0, 0, 1, -2, 70000, 99};
                                             return api.writeCrtRwr(d, 6, 7, 3, 5, values);
                                         }};
        QTest::newRow("raw report")
            << Case{MainWindow::RawPanelTab,
                    [](WindowRig &rig, QWidget *panel) {
                        SetText(rig, panel, "rawData", QStringLiteral("01 0x02, ff"));
                        Click(rig, panel, "sendRaw");
                    },
                    [](PanelinkOutputApi &api, DeviceRecord *d) {
                        const auto report = Bytes<65>({{1, 0x01}, {2, 0x02}, {3, 0xFF}});
                        return api.writeData(d, report.data());
                    }};
    }
    void eachPanelSendsWhatTheLibraryCallSends() {
        QFETCH(Case, testCase);
        const int board = VirtualBoards::Add(kBoard);
        WindowRig rig;
        rig.start();
        QWidget *panel = rig.window.panel(testCase.panel);
        testCase.drive(rig, panel);
        const QList<QByteArray> sent = VirtualBoards::TakeOutputs(board);
        QVERIFY(!sent.isEmpty());
        QVERIFY(!rig.calls.isEmpty());

        DeviceRecord record = rig.session.device(0);
        QCOMPARE(testCase.direct(TestLibrary(), &record), 65);
        const QList<QByteArray> expected = VirtualBoards::TakeOutputs(board);
        QCOMPARE(expected.size(), 1);
        QCOMPARE(sent.last().toHex(' '), expected.first().toHex(' '));
        // What the window shows is what went over the wire.
        QCOMPARE(rig.calls.last().report.toHex(' '), expected.first().toHex(' '));
        QCOMPARE(rig.calls.last().result, 65);
        QVERIFY(rig.calls.last().succeeded());
    }

    // Without the recorder (its library cannot be loaded) the window still sends, and says the
    // bytes are not known instead of showing any.
    void withoutTheRecorderCommandsStillGoOut() {
        ReportRecorder broken({QStringLiteral("/nonexistent/libpanelink.so.1")});
        QVERIFY(!broken.isReady());
        QVERIFY2(broken.problem().contains(QLatin1String("could not be loaded")),
                 qPrintable(broken.problem()));
        QVERIFY(broken
                    .record([](PanelinkOutputApi &api, DeviceRecord *d) { return api.clearLcd(d); },
                            ReportRecorder::kRecordedLength)
                    .isEmpty());

        const int board = VirtualBoards::Add(kBoard);
        OutputSession session(TestLibrary(), nullptr);
        MainWindow window(session);
        window.start();
        QList<OutputCall> calls;
        connect(&session, &OutputSession::sent, this,
                [&calls](const OutputCall &call) { calls.append(call); });
        window.findChild<QPushButton *>(QStringLiteral("clearLcd"))->click();
        QCOMPARE(VirtualBoards::TakeOutputs(board).size(), 1);
        QCOMPARE(calls.size(), 1);
        QVERIFY(calls.first().succeeded());
        QVERIFY(calls.first().report.isEmpty());
        QVERIFY(window.findChild<QTextBrowser *>(QStringLiteral("wireBytes"))
                    ->toPlainText()
                    .contains(QLatin1String("could not be recorded")));
    }

    // The preview draws the digits the library's encoding lights, from the recorded report.
    void theDigitPreviewShowsTheEncodedText_data() {
        QTest::addColumn<QString>("text");
        // Segments lit per digit from the left, bit 0 = a ... bit 6 = g, bit 7 = point.
        QTest::addColumn<QList<int>>("lit");
        QTest::newRow("right-aligned with a point")
            << "-1.5" << QList<int>{0, 0, 0, 0, 0x40, 0x86, 0x6D};
        QTest::newRow("eight and blank") << "8 8" << QList<int>{0, 0, 0, 0, 0x7F, 0, 0x7F};
        QTest::newRow("only seven digits shown")
            << "123456789" << QList<int>{0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};
    }
    void theDigitPreviewShowsTheEncodedText() {
        QFETCH(QString, text);
        QFETCH(QList<int>, lit);
        VirtualBoards::Add(kBoard);
        WindowRig rig;
        rig.start();
        QWidget *panel = rig.window.panel(MainWindow::DigitsPanelTab);
        SetText(rig, panel, "digitsText", text);
        const auto *preview = rig.find<SegmentDisplay>("digitsPreview", panel);
        QList<int> shown;
        for (int digit = 0; digit < 7; ++digit)
            shown.append(preview->litSegments(digit));
        QCOMPARE(shown, lit);
        // Nothing is sent while typing.
        QVERIFY(rig.calls.isEmpty());
    }

    // The TANDEM preview turns its own segment order (a in bit 6) into the segments lit.
    void theTandemPreviewShowsTheEncodedGroups() {
        VirtualBoards::Add(kBoard);
        WindowRig rig;
        rig.start();
        QWidget *panel = rig.window.panel(MainWindow::TandemPanelTab);
        SetText(rig, panel, "tandemGroup1", QStringLiteral("12.3"));
        SetText(rig, panel, "tandemGroup2", QStringLiteral("-"));
        rig.find<QComboBox>("tandemSingle", panel)->setCurrentIndex(14); // blank
        const auto *preview = rig.find<SegmentDisplay>("tandemPreview", panel);
        QList<int> shown;
        for (int digit = 0; digit < 9; ++digit)
            shown.append(preview->litSegments(digit));
        QCOMPARE(shown, (QList<int>{0, 0x06, 0xDB, 0x4F, 0, 0, 0, 0x40, 0}));
        QVERIFY(rig.calls.isEmpty());
    }
};

QTEST_MAIN(PanelsTest)
#include "panels_test.moc"

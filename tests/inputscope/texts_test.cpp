// The texts the window makes of a board's record: list entry, identity panel, status line.
#include <clocale>
#include <string>

#include <QtTest>

#include "fake_panelink.h"
#include "texts.h"

class TextsTest : public QObject {
    Q_OBJECT
  private slots:
    void identityPanelAndStatusOfABoard() {
        const DeviceRecord record =
            RecordOf({256, 0x0500, 0x0123, "Halcyon-256 USB MODULE", "123"});
        QCOMPARE(Texts::listEntry(record), QStringLiteral("Halcyon-256 USB MODULE - 123"));
        QCOMPARE(Texts::identityPanel(record, 1),
                 QStringLiteral("Device:  1\n"
                                "Device Type: Halcyon-256 USB MODULE\n"
                                "  Vendor ID: 12DA\n"
                                "  Product ID: 500\n"
                                "  Firmware Version: 1.23\n"
                                "  Serial Num: 123\n"
                                "  Data Inputs: 256\n"));
        QCOMPARE(Texts::deviceStatus(record, 2),
                 QStringLiteral(" Device:  2   Device Type: Halcyon-256 USB MODULE"));
        const DeviceRecord none = RecordOf({0, 0x0910, 0x0100, "Zephyr-Lite", "4"});
        QCOMPARE(Texts::identityPanel(none, 1).split(u'\n').value(6),
                 QStringLiteral("  Data Inputs: 0"));
        QCOMPARE(Texts::listEntry(none), QStringLiteral("Zephyr-Lite - 4"));
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
        const DeviceRecord record = RecordOf({64, 0x0700, static_cast<uint16_t>(version)});
        QCOMPARE(Texts::identityPanel(record, 1).split(u'\n').value(4), line);
    }

    void deviceTextsAreReadInTheLocalesCharset() {
        const std::string previous = std::setlocale(LC_CTYPE, nullptr);
        if (!std::setlocale(LC_CTYPE, "C.UTF-8"))
            QSKIP("no UTF-8 locale on this machine");
        const DeviceRecord record = RecordOf({64, 0x0700, 0x0045, "Z\xC3\xA9phyr", "9\xC3\xA9"});
        const QString entry = Texts::listEntry(record);
        const QString panel = Texts::identityPanel(record, 1);
        std::setlocale(LC_CTYPE, previous.c_str());
        QCOMPARE(entry, QStringLiteral(u"Z\u00E9phyr - 9\u00E9"));
        QCOMPARE(panel.split(u'\n').value(5), QStringLiteral(u"  Serial Num: 9\u00E9"));
    }

    void numbersAndPeriods() {
        QCOMPARE(Texts::spacedDecimal(7), QStringLiteral(" 7"));
        QCOMPARE(Texts::spacedDecimal(-7), QStringLiteral("-7"));
        QCOMPARE(Texts::hex(0), QStringLiteral("0"));
        QCOMPARE(Texts::pageTitle(511), QStringLiteral("Input Page 512     "));
        QCOMPARE(Texts::periodStatus(16), QStringLiteral(" Freq (ms): 16"));
        QCOMPARE(Texts::periodStatus(-1), QStringLiteral(" Freq (ms): "));
        QCOMPARE(Texts::upToNul(QStringLiteral("ab") + QChar(u'\0') + QStringLiteral("c")),
                 QStringLiteral("ab"));
    }
};

QTEST_GUILESS_MAIN(TextsTest)
#include "texts_test.moc"

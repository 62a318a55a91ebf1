// The raw report box: its padding to the board's output report length, the report ID byte in
// front, and its refusals (nothing is sent, and the panel says why).
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include "raw_panel.h"
#include "virtual_boards.h"
#include "window_rig.h"

namespace {
const VirtualBoards::Board kBoard{0x0500, L"Halcyon-256 USB MODULE", L"123", "sim/raw"};
}

class RawReportTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { VirtualBoards::Reset(); }

    void buildsOrRefuses_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("reportId");
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("report"); // hex, empty when refused
        QTest::addColumn<QString>("reason"); // part of the refusal
        QTest::newRow("padded with zeros") << 8 << 0 << "1 2 3"
                                           << "00 01 02 03 00 00 00 00"
                                           << "";
        QTest::newRow("no data: all zeros") << 4 << 0 << "  "
                                            << "00 00 00 00"
                                            << "";
        QTest::newRow("report ID in front") << 4 << 0x7F << "aa"
                                            << "7f aa 00 00"
                                            << "";
        QTest::newRow("0x, commas, tabs") << 5 << 0 << "0xFF,0x0a\t7"
                                          << "00 ff 0a 07 00"
                                          << "";
        QTest::newRow("exactly full") << 3 << 0 << "10 20"
                                      << "00 10 20"
                                      << "";
        QTest::newRow("one byte too many") << 3 << 0 << "10 20 30"
                                           << ""
                                           << "3 data bytes";
        QTest::newRow("not hex") << 8 << 0 << "12 zz"
                                 << ""
                                 << "\"zz\" is not a byte";
        QTest::newRow("more than a byte") << 8 << 0 << "123"
                                          << ""
                                          << "\"123\" is not a byte";
        QTest::newRow("negative") << 8 << 0 << "-1"
                                  << ""
                                  << "\"-1\" is not a byte";
        QTest::newRow("no output report") << 0 << 0 << "01"
                                          << ""
                                          << "no output report";
        QTest::newRow("report ID only") << 1 << 0 << ""
                                        << ""
                                        << "no output report";
        QTest::newRow("report ID beyond a byte") << 8 << 256 << ""
                                                 << ""
                                                 << "report ID";
    }
    void buildsOrRefuses() {
        QFETCH(int, length);
        QFETCH(int, reportId);
        QFETCH(QString, data);
        QFETCH(QString, report);
        QFETCH(QString, reason);
        QString problem = QStringLiteral("left over");
        const auto built = RawPanel::buildReport(length, reportId, data, &problem);
        if (report.isEmpty()) {
            QVERIFY(!built);
            QVERIFY2(problem.contains(reason), qPrintable(problem));
            QVERIFY(problem.startsWith(QLatin1String("Not sent")));
        } else {
            QVERIFY2(built, qPrintable(problem));
            QCOMPARE(QString::fromLatin1(built->toHex(' ')), report);
            QVERIFY(problem.isEmpty());
        }
    }

    void aRefusedReportSendsNothingAndSaysWhy() {
        const int board = VirtualBoards::Add(kBoard);
        WindowRig rig;
        rig.start();
        auto *raw = rig.panel<RawPanel>(MainWindow::RawPanelTab);
        QCOMPARE(raw->reportLength(), 65);
        QVERIFY(rig.find<QLabel>("rawLength", raw)->text().contains(QLatin1String("65 bytes")));
        // 65 data bytes do not fit after the report ID.
        rig.find<QLineEdit>("rawData", raw)->setText(QStringLiteral("00 ").repeated(65));
        rig.find<QPushButton>("sendRaw", raw)->click();
        QVERIFY(VirtualBoards::TakeOutputs(board).isEmpty());
        QVERIFY(rig.calls.isEmpty());
        QVERIFY(raw->problem().contains(QLatin1String("holds 64")));

        // Corrected, it goes out padded, and the refusal is gone.
        rig.find<QSpinBox>("rawReportId", raw)->setValue(2);
        rig.find<QLineEdit>("rawData", raw)->setText(QStringLiteral("00 ").repeated(64));
        rig.find<QPushButton>("sendRaw", raw)->click();
        const QList<QByteArray> sent = VirtualBoards::TakeOutputs(board);
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent.first().size(), 65);
        QCOMPARE(sent.first().at(0), '\x02');
        QVERIFY(raw->problem().isEmpty());
        QCOMPARE(rig.calls.last().report, sent.first());
    }
};

QTEST_MAIN(RawReportTest)
#include "raw_report_test.moc"

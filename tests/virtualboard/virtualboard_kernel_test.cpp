// virtualboard against the real kernel (run as root in the QEMU guest, offscreen): the window
// serves a 256-input board and a port board through /dev/uhid; another process (virtualboard_peer)
// finds them through the library, reads an input the test clicks, writes a lamp and
// seven-segment texts that the window's model must then show, and asks the port board's status
// as the user configured it. Unplugging and plugging from the window removes and brings back the
// hidraw node. Measures click to report, WriteData to the model showing it (median and worst of
// kRounds each), and the CPU the idle window uses; prints them.
#include <algorithm>
#include <ctime>
#include <vector>

#include <sys/resource.h>

#include <QCheckBox>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "board_panel.h"
#include "main_window.h"

using namespace panelink::virtualboard;

namespace {

constexpr int kRounds = 100;
constexpr int kClickedInput = 5;
constexpr int kLineTimeoutMs = 20000;

qint64 nowNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<qint64>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

QString summary(std::vector<qint64> ns) {
    std::sort(ns.begin(), ns.end());
    return QStringLiteral("median %1 ms, worst %2 ms (%3)")
        .arg(static_cast<double>(ns[ns.size() / 2]) / 1e6, 0, 'f', 2)
        .arg(static_cast<double>(ns.back()) / 1e6, 0, 'f', 2)
        .arg(ns.size());
}

} // namespace

class VirtualboardKernelTest : public QObject {
    Q_OBJECT
  private slots:
    void servesBoardsThatAnotherProgramUses();

  private:
    // The next line of the peer's output, while the window keeps serving.
    QString nextLine(QProcess &peer) {
        const qint64 deadline = nowNs() + qint64{kLineTimeoutMs} * 1000000;
        while (!peer.canReadLine() && nowNs() < deadline && peer.state() == QProcess::Running) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            peer.waitForReadyRead(1);
        }
        if (!peer.canReadLine()) {
            return QStringLiteral("(no line; peer said: %1)")
                .arg(QString::fromLocal8Bit(peer.readAllStandardError()));
        }
        return QString::fromLocal8Bit(peer.readLine()).trimmed();
    }

    template <typename Condition> bool waitFor(Condition condition) {
        const qint64 deadline = nowNs() + qint64{kLineTimeoutMs} * 1000000;
        while (!condition() && nowNs() < deadline) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            QTest::qSleep(1);
        }
        return condition();
    }
};

void VirtualboardKernelTest::servesBoardsThatAnotherProgramUses() {
    MainWindow window;
    std::vector<BoardSetup> setups = {
        BoardSetup::defaults(*panelink::board_models::find_board_kind(0x0500)),
        BoardSetup::defaults(*panelink::board_models::find_board_kind(0x0800))};
    window.useBoards(setups);
    window.show();
    QCOMPARE(window.boardCount(), 2);
    BoardHost &board = *window.board(0);
    QVERIFY2(board.isPlugged(), "the 256-input board is on the bus");
    QVERIFY2(window.board(1)->isPlugged(), "the port board is on the bus");

    QProcess peer;
    peer.setProgram(QStringLiteral(VIRTUALBOARD_PEER));
    peer.setArguments(
        {QStringLiteral("0x0500"), QString::number(kClickedInput), QString::number(kRounds)});
    peer.start();
    QVERIFY(peer.waitForStarted());
    const QString found = nextLine(peer);
    QVERIFY2(found.startsWith(QStringLiteral("found /dev/hidraw")), qPrintable(found));

    // Clicks: each one reaches the polling program as a change of the input.
    auto *input = window.findChild<QToolButton *>(QStringLiteral("input-%1").arg(kClickedInput));
    QVERIFY(input != nullptr);
    std::vector<qint64> clickToReport;
    for (int round = 0; round < kRounds; ++round) {
        const qint64 clicked = nowNs();
        QTest::mouseClick(input, Qt::LeftButton);
        const QStringList words = nextLine(peer).split(QLatin1Char(' '));
        QVERIFY2(words.size() == 4 && words[0] == QStringLiteral("input"),
                 qPrintable(words.join(QLatin1Char(' '))));
        QCOMPARE(words[2].toInt(), (round + 1) % 2);
        clickToReport.push_back(words[3].toLongLong() - clicked);
    }
    QCOMPARE(nextLine(peer), QStringLiteral("inputs done"));

    // A lamp.
    peer.write("lamp 1 3\n");
    QString wrote = nextLine(peer);
    QVERIFY2(wrote.startsWith(QStringLiteral("wrote ")) && wrote.endsWith(QStringLiteral(" 65")),
             qPrintable(wrote));
    QVERIFY(waitFor([&] {
        const auto &ports = board.model().outputs().ports();
        return ports.count(1) != 0 && ports.at(1).direct && (*ports.at(1).direct)[3];
    }));
    QCOMPARE(board.model().outputs().ports().at(1).direct->count(), size_t{1});

    // Seven-segment texts, timed from the write to the model showing them.
    std::vector<std::pair<qint64, QString>> shown;
    connect(&board, &BoardHost::outputsChanged, this, [&] {
        shown.emplace_back(nowNs(), QString::fromStdString(board.model().outputs().digits_text(0)));
    });
    std::vector<qint64> writeToShown;
    for (int round = 0; round < kRounds; ++round) {
        const QString text = QString::number(round * 37 % 1000) + QStringLiteral(".5");
        shown.clear();
        peer.write(QStringLiteral("digits 0 %1\n").arg(text).toLatin1());
        const QStringList words = nextLine(peer).split(QLatin1Char(' '));
        QVERIFY2(words.size() == 3 && words[0] == QStringLiteral("wrote") && words[2] == "65",
                 qPrintable(words.join(QLatin1Char(' '))));
        QVERIFY2(waitFor([&] { return !shown.empty() && shown.back().second.trimmed() == text; }),
                 qPrintable(text));
        writeToShown.push_back(shown.back().first - words[1].toLongLong());
    }

    // The port board's status as configured in the window.
    auto *fault = window.findChild<QCheckBox *>(QStringLiteral("port-2-fault"));
    auto *type = window.findChild<QSpinBox *>(QStringLiteral("port-2-type"));
    QVERIFY(fault != nullptr && type != nullptr);
    fault->setChecked(true);
    type->setValue(6);
    peer.write("status 0x0800 2\n");
    QCOMPARE(nextLine(peer), QStringLiteral("status 1 1 1 6"));
    fault->setChecked(false);
    peer.write("status 0x0800 2\n");
    QCOMPARE(nextLine(peer), QStringLiteral("status 1 1 0 6"));

    peer.closeWriteChannel();
    QVERIFY(peer.waitForFinished(kLineTimeoutMs));
    QCOMPARE(peer.exitCode(), 0);

    // Unplug and plug from the window: the node goes and comes back.
    const QString node = found.section(QLatin1Char(' '), 1).section(QLatin1Char('#'), 0, 0);
    QPushButton *plug = nullptr;
    for (BoardPanel *panel : window.findChildren<BoardPanel *>()) {
        if (&panel->host() == &board) {
            plug = panel->findChild<QPushButton *>(QStringLiteral("plug"));
        }
    }
    QVERIFY(plug != nullptr);
    QTest::mouseClick(plug, Qt::LeftButton);
    QVERIFY(!board.isPlugged());
    QVERIFY2(waitFor([&] { return !QFileInfo::exists(node); }), qPrintable(node));
    QTest::mouseClick(plug, Qt::LeftButton);
    QVERIFY(board.isPlugged());
    QVERIFY(board.nodes().startsWith(QStringLiteral("/dev/hidraw")));

    // The idle window: both boards plugged in, nothing happening, the event loop waiting (not
    // QTest::qWait, which polls), after the repaints of the last changes have settled.
    const auto idle = [](int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    };
    idle(3000);
    const double cpuBefore = cpuSeconds();
    const qint64 idleStart = nowNs();
    idle(5000);
    const double idleShare =
        (cpuSeconds() - cpuBefore) / (static_cast<double>(nowNs() - idleStart) / 1e9);

    qInfo().noquote() << "click to input report read by a polling program:"
                      << summary(clickToReport);
    qInfo().noquote() << "WriteData to the window's model showing it:" << summary(writeToShown);
    qInfo().noquote()
        << QStringLiteral("CPU of the idle window: %1 %").arg(idleShare * 100, 0, 'f', 2);
}

QTEST_MAIN(VirtualboardKernelTest)
#include "virtualboard_kernel_test.moc"

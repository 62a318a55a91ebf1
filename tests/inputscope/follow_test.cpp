// The window following virtual boards of the real library as they are plugged in and unplugged:
// one detection per burst of events, the selected board kept, the departure of the selected board
// said in the status line, and polling that goes on without ever failing on a departed board.
#include <map>
#include <string>

#include <QComboBox>
#include <QLabel>
#include <QSignalSpy>
#include <QtTest>

#include "sim_bus.h"
#include "window_rig.h"

namespace {

// Boards by path; c0 and c1 are the two interfaces of one board, plugged and unplugged together.
const std::map<QString, SimBus::Board> kBoards = {
    {"a", {0x0500, 0x0123, L"Halcyon-256 USB MODULE", L"123", "a"}},
    {"b", {0x0700, 0x0045, L"Halcyon-64 USB MODULE", L"7", "b"}},
    {"c0", {0x0500, 0x0100, L"Halcyon-256 USB MODULE", L"55", "c0"}},
    {"c1", {0x0600, 0x0100, L"Zephyr - USB Adapter", L"55", "c1"}},
};

QString Entry(const QString &path) {
    const SimBus::Board &board = kBoards.at(path);
    return QString::fromWCharArray(board.product) + " - " + QString::fromWCharArray(board.serial);
}

} // namespace

class FollowTest : public QObject {
    Q_OBJECT
  private slots:
    void theListFollowsArrivalsAndDepartures() {
        SimBus::Reset();
        std::map<QString, int> ids;
        const auto plug = [&ids](const QString &path) {
            const SimBus::Board &board = kBoards.at(path);
            ids[path] = path == "c1" ? SimBus::AddJoystick(board, 16) : SimBus::AddBoard(board);
        };
        plug("a");
        plug("b");
        WindowRig rig(TestLibrary());
        rig.start();
        QVERIFY(rig.session.isFollowing());
        auto *list = rig.find<QComboBox>("boardList");
        list->setCurrentIndex(1); // the user picks board b
        emit list->activated(1);
        QSignalSpy detections(&rig.session, &InputSession::devicesDetected);
        QSignalSpy responding(&rig.session, &InputSession::respondingChanged);

        const struct {
            QString plugged, unplugged, listed; // board paths, space-separated
            QString selected;                   // the board shown and polled
            QString status;                     // the status line's start
        } steps[] = {
            {"c0 c1", "", "a b c0 c1", "b", " Device:  2 "},
            {"", "a", "b c0 c1", "b", " Device: "},
            {"", "b", "c0 c1", "c0", "  Device Disconnected: " + Entry("b")},
            {"b", "", "b c0 c1", "c0", " Device: "},
            {"", "b c0 c1", "", "", "  Device Disconnected: " + Entry("c0")},
            {"a", "", "a", "a", " Device:  1 "},
        };
        for (const auto &step : steps) {
            const QByteArray what = (step.plugged + " in, " + step.unplugged + " out").toUtf8();
            for (const QString &path : step.plugged.split(' ', Qt::SkipEmptyParts))
                plug(path);
            for (const QString &path : step.unplugged.split(' ', Qt::SkipEmptyParts))
                SimBus::Remove(ids.at(path));
            QTRY_COMPARE_WITH_TIMEOUT(detections.count(), 1, 2000);
            responding.clear();
            // Later turns of the event loop bring no second detection, and the polls that go on
            // never touch a closed handle (the library would fail them: "not responding").
            QTest::qWait(5 * InputSession::kPollIntervalMs);
            QCOMPARE(detections.count(), 1);
            detections.clear();
            QVERIFY2(responding.isEmpty(), what);

            QStringList entries = WindowRig::items(list), expected;
            for (const QString &path : step.listed.split(' ', Qt::SkipEmptyParts))
                expected.append(Entry(path));
            entries.sort();
            expected.sort();
            QCOMPARE(entries, expected.isEmpty() ? QStringList{"No Devices Detected"} : expected);
            const QString status = rig.find<QLabel>("deviceStatus")->text();
            QVERIFY2(status.startsWith(step.status), qPrintable(status));
            const bool any = rig.session.deviceCount() > 0;
            const DeviceRecord &shown = rig.session.device(rig.session.selectedDevice());
            QCOMPARE(any ? QString::fromLatin1(shown.DevicePath) : QString(), step.selected);
            QVERIFY2(rig.session.isPolling() == any, what);
            QVERIFY2(!any || list->currentIndex() == rig.session.selectedDevice(), what);
        }

        // Once the window is closed, the monitor is closed: a new board changes nothing.
        rig.window.close();
        QVERIFY(!rig.session.isFollowing());
        plug("b");
        QTest::qWait(20);
        QCOMPARE(detections.count(), 0);
    }
};

QTEST_MAIN(FollowTest)
#include "follow_test.moc"

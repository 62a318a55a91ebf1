// The window following virtual boards of the real library as they are plugged in and unplugged:
// one detection per burst of events, the selected board kept, the departure of the selected board
// said in the status line, and no poll of a departed board once its departure is known.
#include <functional>
#include <string>

#include <QComboBox>
#include <QLabel>
#include <QSignalSpy>
#include <QtTest>

#include "sim_bus.h"
#include "window_rig.h"

namespace {

// The real library, with the path and result of every poll kept.
struct PollLog final : PanelinkApi {
    struct Poll {
        std::string path;
        int32_t result;
    };
    PanelinkLibrary &library = TestLibrary();
    std::vector<Poll> polls;

    int32_t detectHid(int32_t *count, DeviceRecord *devices, int32_t mode) override {
        return library.detectHid(count, devices, mode);
    }
    int32_t readInputData(DeviceRecord *device, uint8_t *inputStates, int32_t packed) override {
        const int32_t result = library.readInputData(device, inputStates, packed);
        polls.push_back({std::string(device->DevicePath, device->DevicePathLength), result});
        return result;
    }
    int32_t closeDevices(uint32_t number, DeviceRecord *devices) override {
        return library.closeDevices(number, devices);
    }
    uint32_t monitorOpen(uint32_t flags) override { return library.monitorOpen(flags); }
    int32_t monitorNext(uint32_t monitor, PanelinkBoardEvent *event, uint32_t timeout) override {
        return library.monitorNext(monitor, event, timeout);
    }
    intptr_t monitorWaitHandle(uint32_t monitor) override {
        return library.monitorWaitHandle(monitor);
    }
    int32_t monitorClose(uint32_t monitor) override { return library.monitorClose(monitor); }

    qsizetype pollsOf(const std::string &path, size_t from) const {
        return std::count_if(polls.begin() + static_cast<qsizetype>(from), polls.end(),
                             [&path](const Poll &poll) { return poll.path == path; });
    }
};

// Three boards; the third has two interfaces, which arrive and leave together.
const SimBus::Board kA{0x0500, 0x0123, L"Halcyon-256 USB MODULE", L"123", "a"};
const SimBus::Board kB{0x0700, 0x0045, L"Halcyon-64 USB MODULE", L"7", "b"};
const SimBus::Board kC0{0x0500, 0x0100, L"Halcyon-256 USB MODULE", L"55", "c0"};
const SimBus::Board kC1{0x0600, 0x0100, L"Zephyr - USB Adapter", L"55", "c1"};

const QString kEntryA = QStringLiteral("Halcyon-256 USB MODULE - 123");
const QString kEntryB = QStringLiteral("Halcyon-64 USB MODULE - 7");
const QString kEntryC0 = QStringLiteral("Halcyon-256 USB MODULE - 55");
const QString kEntryC1 = QStringLiteral("Zephyr - USB Adapter - 55");

// The path of the board the session shows; "" when there is none.
std::string SelectedPath(const InputSession &session) {
    if (session.deviceCount() == 0)
        return {};
    const DeviceRecord &record = session.device(session.selectedDevice());
    return std::string(record.DevicePath, record.DevicePathLength);
}

} // namespace

class FollowTest : public QObject {
    Q_OBJECT
  private slots:
    void theListFollowsArrivalsAndDepartures() {
        SimBus::Reset();
        std::map<std::string, int> ids;
        const auto plug = [&ids](std::vector<SimBus::Board> boards) {
            return [&ids, boards] {
                for (const SimBus::Board &board : boards)
                    ids[board.path] = board.productId == 0x0600 ? SimBus::AddJoystick(board, 16)
                                                                : SimBus::AddBoard(board);
            };
        };
        const auto unplug = [&ids](std::vector<const char *> paths) {
            return [&ids, paths] {
                for (const char *path : paths)
                    SimBus::Remove(ids.at(path));
            };
        };
        plug({kA, kB})();

        PollLog api;
        WindowRig rig(api);
        rig.start();
        QVERIFY(rig.session.isFollowing());
        auto *list = rig.find<QComboBox>("boardList");
        auto *status = rig.find<QLabel>("deviceStatus");
        list->setCurrentIndex(1); // the user picks the second board
        emit list->activated(1);
        QSignalSpy detections(&rig.session, &InputSession::devicesDetected);

        struct Step {
            const char *what;
            std::function<void()> change;
            QStringList entries;  // the list's entries, sorted
            const char *selected; // the path of the board shown and polled; null for none
            const char *left;     // the path of the selected board when it left
            QString status;       // the status line's start
        };
        const QString shown = QStringLiteral(" Device: ");
        const QString departed = QStringLiteral("  Device Disconnected: ");
        const Step steps[] = {
            {"a board with two interfaces arrives",
             plug({kC0, kC1}),
             {kEntryA, kEntryB, kEntryC0, kEntryC1},
             "b",
             nullptr,
             shown},
            {"another board leaves",
             unplug({"a"}),
             {kEntryB, kEntryC0, kEntryC1},
             "b",
             nullptr,
             shown},
            {"the selected board leaves",
             unplug({"b"}),
             {kEntryC0, kEntryC1},
             nullptr,
             "b",
             departed + kEntryB},
            {"it comes back", plug({kB}), {kEntryB, kEntryC0, kEntryC1}, nullptr, nullptr, shown},
            {"every board leaves",
             unplug({"b", "c0", "c1"}),
             {"No Devices Detected"},
             nullptr,
             nullptr,
             departed},
            {"a board arrives in an empty list", plug({kA}), {kEntryA}, "a", nullptr, shown},
        };
        for (const Step &step : steps) {
            const std::string before = SelectedPath(rig.session);
            const size_t pollsBefore = api.polls.size();
            step.change();
            QTRY_COMPARE_WITH_TIMEOUT(detections.count(), 1, 2000);
            const size_t pollsAfter = api.polls.size();
            // Later turns of the event loop bring no second detection, and polling goes on.
            QTest::qWait(5 * InputSession::kPollIntervalMs);
            QCOMPARE(detections.count(), 1);
            detections.clear();

            QStringList entries = WindowRig::items(list), expected = step.entries;
            entries.sort();
            expected.sort();
            QVERIFY2(entries == expected, qPrintable(entries.join(QStringLiteral(" | "))));
            QVERIFY2(status->text().startsWith(step.status), qPrintable(status->text()));
            const std::string selected = SelectedPath(rig.session);
            if (step.selected)
                QVERIFY2(selected == step.selected, step.what);
            if (!selected.empty()) {
                QVERIFY2(list->currentIndex() == rig.session.selectedDevice(), step.what);
                QVERIFY2(rig.session.isPolling() && api.pollsOf(selected, pollsAfter) > 0,
                         step.what);
            } else {
                QVERIFY2(!rig.session.isPolling(), step.what);
            }
            const std::string left = step.left ? step.left : before;
            if (selected != before) {
                // At most the poll that ran before the departure was taken; none after.
                QVERIFY2(api.pollsOf(left, pollsBefore) <= 1, step.what);
                QVERIFY2(api.pollsOf(left, pollsAfter) == 0, step.what);
            }
        }

        // Once the window is closed, the monitor is closed: a new board changes nothing.
        rig.window.close();
        QVERIFY(!rig.session.isFollowing());
        plug({kB})();
        QTest::qWait(20);
        QCOMPARE(detections.count(), 0);
    }
};

QTEST_MAIN(FollowTest)
#include "follow_test.moc"

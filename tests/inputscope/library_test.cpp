// The program on the real library's virtual boards: how the library file is found and bound,
// and detection, closing and polling through it.
#include <QComboBox>
#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include "indicator_grid.h"
#include "sim_bus.h"
#include "window_rig.h"

namespace {

const SimBus::Board kBoard256{0x0500, 0x0123, L"Halcyon-256 USB MODULE", L"123", "sim/a"};
const SimBus::Board kBoard64{0x0700, 0x0045, L"Halcyon-64 USB MODULE", L"7", "sim/b"};
const SimBus::Board kJoystick{0x0600, 0x0100, L"Zephyr - USB Adapter", L"005", "sim/joy"};

// True while the handle of `record` is open: a poll through a copy of it (in a polling slot no
// window record uses) starts a read instead of being refused.
bool HandleIsOpen(const DeviceRecord &record, uint16_t spareSlot) {
    DeviceRecord copy = record;
    copy.DeviceIndex = spareSlot;
    uint8_t states[PANELINK_INPUT_STATES_SIZE] = {};
    return TestLibrary().readInputData(&copy, states, 0) != PANELINK_READ_FAILED;
}

QList<int> Lit(const WindowRig &rig) {
    QList<int> lit;
    for (int i = 0; i < 64; ++i)
        if ((rig.session.litIndicators() >> i) & 1)
            lit.append(i);
    return lit;
}

void Deliver(WindowRig &rig) {
    for (int poll = 0; poll < SimBus::kDeliveryPolls; ++poll)
        rig.session.poll();
}

} // namespace

class LibraryTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { SimBus::Reset(); }

    void theLibraryIsLookedForOnlyInAbsoluteFolders() {
        const QStringList files = PanelinkLibrary::candidateFiles();
        QCOMPARE(files.size(), 2);
        QCOMPARE(QFileInfo(files[0]).absolutePath(), QCoreApplication::applicationDirPath());
        for (const QString &file : files)
            QVERIFY2(QDir::isAbsolutePath(file), qPrintable(file));
    }

    void aMissingLibraryOrFunctionIsReportedByName_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("function");
        QTest::addColumn<QString>("named");
        QTest::newRow("library") << "/nonexistent/libpanelink.so"
                                 << "DetectHID"
                                 << "library panelink could not be loaded";
        QTest::newRow("function") << PanelinkLibrary::candidateFiles().first() << "NoSuchExport"
                                  << "NoSuchExport";
    }
    void aMissingLibraryOrFunctionIsReportedByName() {
        QFETCH(QString, file);
        QFETCH(QString, function);
        QFETCH(QString, named);
        PanelinkLibrary library(
            [](const QString &message) { throw FatalError(message.toStdString()); }, {file});
        try {
            library.resolve(function.toLatin1().constData());
            QFAIL("nothing was reported");
        } catch (const FatalError &error) {
            QVERIFY2(QString::fromStdString(error.what()).contains(named), error.what());
        }
    }

    void detectionAndClosingThroughTheLibrary() {
        SimBus::AddBoard(kBoard256);
        SimBus::AddBoard(kBoard64);
        WindowRig rig(TestLibrary());
        rig.start();
        QCOMPARE(WindowRig::items(rig.find<QComboBox>("boardList")),
                 (QStringList{"Halcyon-256 USB MODULE - 123", "Halcyon-64 USB MODULE - 7"}));
        const DeviceRecord first = rig.session.device(0);
        QVERIFY(HandleIsOpen(first, 100));
        rig.find<QPushButton>("refreshButton")->click();
        QVERIFY(!HandleIsOpen(first, 101));
        const DeviceRecord second = rig.session.device(1);
        QVERIFY(HandleIsOpen(second, 102));
        rig.window.close();
        QVERIFY(!HandleIsOpen(second, 103));
        QCOMPARE(rig.session.device(0).Handle, 0u);
    }

    void reportsOfBoardsAndJoysticksLightTheIndicators() {
        const int board = SimBus::AddBoard(kBoard256);
        const int joystick = SimBus::AddJoystick(kJoystick, 100);
        WindowRig rig(TestLibrary());
        rig.start();
        SimBus::PushInputs(board, {0, 9, 63, 64, 200});
        Deliver(rig);
        QCOMPARE(Lit(rig), (QList<int>{0, 9, 63}));
        QCOMPARE(rig.find<IndicatorGrid>("indicators")->lit(), rig.session.litIndicators());
        SimBus::PushInputs(board, {});
        Deliver(rig);
        QVERIFY(Lit(rig).isEmpty());

        // A joystick's buttons are its inputs: 100 buttons make two pages.
        rig.session.select(1);
        QVERIFY(rig.find<QPlainTextEdit>("identityPanel")
                    ->toPlainText()
                    .endsWith(QStringLiteral("  Data Inputs: 100\n")));
        SimBus::PushButtons(joystick, 100, {2, 31, 99});
        Deliver(rig);
        QCOMPARE(Lit(rig), (QList<int>{2, 31}));
        rig.session.nextPage();
        QCOMPARE(rig.numbers(), WindowRig::numbersFrom(65)); // although 101 to 128 do not exist
        SimBus::PushButtons(joystick, 100, {2, 99});
        Deliver(rig);
        QCOMPARE(Lit(rig), QList<int>{35});
    }
};

QTEST_MAIN(LibraryTest)
#include "library_test.moc"

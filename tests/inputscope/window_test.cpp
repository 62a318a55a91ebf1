// The window on a stand-in library: its controls' places, looks and tab order, what it shows of
// the session, the keys and wheel it takes, and a picture of it on virtual boards of the real
// library for a reviewer.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWheelEvent>
#include <QtTest>

#include "count_label.h"
#include "fake_panelink.h"
#include "indicator_grid.h"
#include "sim_bus.h"
#include "texts.h"
#include "window_rig.h"

namespace {

const FakeBoard kBoard256{256, 0x0500, 0x0123, "Halcyon-256 USB MODULE", "123"};
const FakeBoard kBoard64{64, 0x0700, 0x0045, "Halcyon-64 USB MODULE", "7"};

struct FakeRig {
    explicit FakeRig(std::vector<FakeBoard> boards) : rig(api) {
        api.boards = std::move(boards);
        rig.start();
    }
    FakePanelink api;
    WindowRig rig;
};

void Activate(QWidget &window) {
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
}

// Turns the wheel one notch down over `widget`.
void WheelDown(QWidget *widget) {
    const QPointF centre = QRectF(widget->rect()).center();
    QWheelEvent wheel(centre, widget->mapToGlobal(centre), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &wheel);
}

} // namespace

class WindowTest : public QObject {
    Q_OBJECT
  private slots:
    void controlsStandAtTheirDesignPlaces() {
        FakeRig fake({});
        WindowRig &rig = fake.rig;
        // 15 twips to a pixel.
        QCOMPARE(rig.window.size(), QSize(633, 318));
        QCOMPARE(rig.window.minimumSize(), rig.window.maximumSize());
        const QList<std::pair<const char *, QRect>> places = {
            {"boardList", {8, 12, 297, 22}},
            {"pageFrame", {8, 36, 297, 253}},
            {"previousPage", {84, 0, 13, 17}},
            {"nextPage", {97, 0, 13, 17}},
            {"detectFrame", {312, 4, 313, 69}},
            {"refreshButton", {16, 20, 41, 41}},
            {"infoFrame", {312, 76, 313, 133}},
            {"identityPanel", {8, 20, 297, 105}},
            {"encoderFrame", {312, 212, 313, 77}},
            {"clockwiseList", {16, 36, 49, 22}},
            {"counterClockwiseList", {84, 36, 49, 22}},
            {"countLabel", {192, 20, 96, 48}},
            {"deviceStatus", {-4, 296, 525, 21}},
            {"periodStatus", {523, 296, 109, 21}}};
        for (const auto &[name, geometry] : places)
            QCOMPARE(rig.find<QWidget>(name)->geometry(), geometry);

        // The indicator grid: 8 rows of 8, 36 pixels apart across and 28 down, each number
        // centred on its indicator, all within the page frame.
        const auto *grid = rig.find<IndicatorGrid>("indicators");
        QCOMPARE(grid->parentWidget(), rig.find<QGroupBox>("pageFrame"));
        QCOMPARE(grid->geometry(), grid->parentWidget()->rect());
        for (int i = 0; i < IndicatorGrid::kCount; ++i) {
            const int row = i / 8, column = i % 8;
            const QRect indicator = IndicatorGrid::indicatorRect(i);
            QCOMPARE(indicator, QRect(12 + 36 * column, 20 + 28 * row, 21, 25));
            QVERIFY(qAbs(grid->numberRect(i).center().x() - indicator.center().x()) <= 1);
            QCOMPARE(grid->numberRect(i).top(), 25 + 28 * row);
        }

        // Resizing does not move anything.
        rig.window.resize(900, 600);
        QCOMPARE(rig.window.size(), QSize(633, 318));
        QCOMPARE(rig.find<QLabel>("countLabel")->geometry(), QRect(192, 20, 96, 48));
    }

    void controlsHaveTheirTextsFontsAndColours() {
        FakeRig fake({});
        WindowRig &rig = fake.rig;
        const QList<std::pair<const char *, QString>> texts = {
            {"previousPage", "<"},
            {"nextPage", ">"},
            {"clockwiseCaption", "CW Input"},
            {"counterClockwiseCaption", "CCW Input"}};
        for (const auto &[name, text] : texts)
            QCOMPARE(rig.find<QWidget>(name)->property("text").toString(), text);
        QCOMPARE(rig.find<QPushButton>("previousPage")->toolTip(), QStringLiteral("Previous page"));
        QCOMPARE(rig.find<QPushButton>("nextPage")->toolTip(), QStringLiteral("Next page"));
        QCOMPARE(rig.find<QGroupBox>("detectFrame")->title(), QStringLiteral("Detect Devices"));
        QCOMPARE(rig.find<QGroupBox>("infoFrame")->title(), QStringLiteral("Device Info."));
        QCOMPARE(rig.find<QGroupBox>("encoderFrame")->title(),
                 QStringLiteral("Rotary Encoder Pulse Counter"));
        const auto *refresh = rig.find<QPushButton>("refreshButton");
        QVERIFY(refresh->text().isEmpty());
        QCOMPARE(refresh->iconSize(), QSize(32, 32));
        QVERIFY(!refresh->icon().isNull());

        QCOMPARE(rig.window.font().pointSizeF(), 8.4);
        QVERIFY(rig.find<QComboBox>("boardList")->font().bold());
        QCOMPARE(rig.find<QGroupBox>("pageFrame")->font().pointSizeF(), 9.0);
        QVERIFY(rig.find<QGroupBox>("pageFrame")->font().bold());
        QVERIFY(!rig.find<QGroupBox>("infoFrame")->font().bold());
        QVERIFY(rig.find<QPushButton>("previousPage")->font().italic());
        const auto *count = rig.find<QLabel>("countLabel");
        QCOMPARE(count->font().pointSizeF(), 27.6);
        QVERIFY(count->alignment() & Qt::AlignRight);
        const auto *panel = rig.find<QPlainTextEdit>("identityPanel");
        QVERIFY(panel->isReadOnly());
        QVERIFY(panel->font().fixedPitch());
        QCOMPARE(panel->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(panel->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        for (const char *list : {"boardList", "clockwiseList", "counterClockwiseList"})
            QVERIFY(!rig.find<QComboBox>(list)->isEditable());
        const auto *grid = rig.find<IndicatorGrid>("indicators");
        for (int i = 0; i < IndicatorGrid::kCount; ++i)
            QCOMPARE(grid->fillColour(i), 0x000080u);

        const QList<QSize> iconSizes = rig.window.windowIcon().availableSizes();
        QVERIFY(iconSizes.contains(QSize(32, 32)));
        QVERIFY(iconSizes.contains(QSize(16, 16)));
    }

    void tabOrderFollowsTheDesign() {
        FakeRig fake({});
        WindowRig &rig = fake.rig;
        QList<QWidget *> expected;
        for (const char *name : {"boardList", "previousPage", "nextPage", "refreshButton",
                                 "clockwiseList", "counterClockwiseList", "identityPanel"})
            expected.append(rig.find<QWidget>(name));
        QList<QWidget *> order;
        QWidget *widget = expected.first();
        do {
            if ((widget->focusPolicy() & Qt::TabFocus) && widget->isEnabled())
                order.append(widget);
            widget = widget->nextInFocusChain();
        } while (widget != expected.first() && order.size() < 20);
        QCOMPARE(order, expected);
    }

    void withoutBoardsEveryNoDeviceTextShows() {
        FakeRig fake({});
        WindowRig &rig = fake.rig;
        QCOMPARE(rig.window.windowTitle(),
                 QStringLiteral("Inputscope V" INPUTSCOPE_EXPECTED_VERSION));
        QCOMPARE(rig.find<QLabel>("refreshHint")->text(),
                 QStringLiteral("Refresh Device List. Press this button if you have connected or "
                                "disconnected an input device."));
        QCOMPARE(rig.numbers(), WindowRig::numbersFrom(1));
        auto *boards = rig.find<QComboBox>("boardList");
        QCOMPARE(WindowRig::items(boards), QStringList{"No Devices Detected"});
        QCOMPARE(boards->currentIndex(), 0);
        QCOMPARE(rig.find<QPlainTextEdit>("identityPanel")->toPlainText(),
                 QStringLiteral(" No compatible input devices detected!\n\n"));
        QCOMPARE(rig.find<QLabel>("deviceStatus")->text(),
                 QStringLiteral("  No Devices Detected!"));
        QVERIFY(rig.find<QLabel>("deviceStatus")->font().bold());
        QVERIFY(rig.find<QLabel>("periodStatus")->font().bold());
        QCOMPARE(rig.find<QGroupBox>("pageFrame")->title(), QStringLiteral("Input Page 1     "));
        QCOMPARE(rig.find<QLabel>("countLabel")->text(), QStringLiteral("0"));
        QCOMPARE(WindowRig::items(rig.find<QComboBox>("clockwiseList")).first(),
                 QStringLiteral(" 1"));
        QCOMPARE(rig.find<QComboBox>("clockwiseList")->currentIndex(), -1);

        // Choosing the only entry, or a page button, changes nothing.
        emit boards->activated(0);
        rig.find<QPushButton>("nextPage")->click();
        QVERIFY(!rig.session.isPolling());
        QCOMPARE(rig.find<QLabel>("deviceStatus")->text(),
                 QStringLiteral("  No Devices Detected!"));
        QCOMPARE(rig.find<QGroupBox>("pageFrame")->title(), QStringLiteral("Input Page 1     "));
    }

    void boardsAreListedShownAndChosen() {
        FakeRig fake({kBoard256, kBoard64});
        WindowRig &rig = fake.rig;
        auto *boards = rig.find<QComboBox>("boardList");
        QCOMPARE(WindowRig::items(boards),
                 (QStringList{"Halcyon-256 USB MODULE - 123", "Halcyon-64 USB MODULE - 7"}));
        QCOMPARE(boards->currentIndex(), 0);
        const auto *panel = rig.find<QPlainTextEdit>("identityPanel");
        const auto *status = rig.find<QLabel>("deviceStatus");
        QCOMPARE(panel->toPlainText(), Texts::identityPanel(rig.session.device(0), 1));
        QCOMPARE(status->text(),
                 QStringLiteral(" Device:  1   Device Type: Halcyon-256 USB MODULE"));

        boards->setCurrentIndex(1); // the user picks the second board
        emit boards->activated(1);
        QCOMPARE(rig.session.selectedDevice(), 1);
        QVERIFY(panel->toPlainText().startsWith(
            QStringLiteral("Device:  2\nDevice Type: Halcyon-64 USB MODULE\n")));
        QCOMPARE(status->text(),
                 QStringLiteral(" Device:  2   Device Type: Halcyon-64 USB MODULE"));
    }

    void deviceTextsShowAsPlainText() {
        const QString name = QStringLiteral("Zephyr <b>Lite</b> &amp;");
        FakeRig fake({{64, 0x0700, 0x0045, name.toStdString(), "9"}});
        WindowRig &rig = fake.rig;
        QCOMPARE(WindowRig::items(rig.find<QComboBox>("boardList")),
                 QStringList{name + QStringLiteral(" - 9")});
        QCOMPARE(rig.find<QPlainTextEdit>("identityPanel")->toPlainText().split(u'\n').value(1),
                 QStringLiteral("Device Type: ") + name);
        const auto *status = rig.find<QLabel>("deviceStatus");
        const QString line = QStringLiteral(" Device:  1   Device Type: ") + name;
        QCOMPARE(status->text(), line);
        // Shown as plain text: the label needs the width of every character, tags included.
        QVERIFY(status->sizeHint().width() >= status->fontMetrics().horizontalAdvance(line));
    }

    void pageButtonsRedrawThePageAndItsEncoderLists() {
        FakeRig fake({kBoard256});
        WindowRig &rig = fake.rig;
        auto *clockwise = rig.find<QComboBox>("clockwiseList");
        auto *counterClockwise = rig.find<QComboBox>("counterClockwiseList");
        const auto *count = rig.find<QLabel>("countLabel");
        const auto *grid = rig.find<IndicatorGrid>("indicators");
        clockwise->setCurrentIndex(5);
        counterClockwise->setCurrentIndex(6);
        for (const auto &[on, expected] : {std::pair{5, "1"}, {-1, "1"}, {6, "0"}}) {
            fake.api.report(on < 0 ? std::vector<int>{} : std::vector<int>{on});
            rig.session.poll();
            QCOMPARE(count->text(), QString::fromLatin1(expected));
        }
        QCOMPARE(grid->fillColour(6), 0x0000FFu);
        QCOMPARE(grid->fillColour(5), 0x000080u);

        for (const auto &[button, page] : {std::pair{"nextPage", 1}, {"previousPage", 0}}) {
            clockwise->setCurrentIndex(3);
            rig.find<QPushButton>(button)->click();
            QCOMPARE(rig.find<QGroupBox>("pageFrame")->title(),
                     QStringLiteral("Input Page %1     ").arg(page + 1));
            QCOMPARE(rig.numbers(), WindowRig::numbersFrom(64 * page + 1));
            for (const QComboBox *list : {clockwise, counterClockwise}) {
                QCOMPARE(WindowRig::items(list), WindowRig::numbersFrom(64 * page + 1, true));
                QCOMPARE(list->currentIndex(), -1);
            }
            QCOMPARE(count->text(), QStringLiteral("0"));
        }
    }

    void aLongCountStaysReadable() {
        FakeRig fake({});
        auto *count = fake.rig.find<CountLabel>("countLabel");
        for (qint64 value : {-12345LL, 1234567890123LL, -1LL}) {
            count->setCount(EncoderCount(value));
            QCOMPARE(count->text(), QString::number(value));
            QVERIFY(count->fontMetrics().horizontalAdvance(count->text()) <=
                    count->contentsRect().width());
        }
        QCOMPARE(count->font(), count->designFont()); // short counts keep the design's size
    }

    void keysAndWheelReachOnlyWhatTheUserMeans() {
        FakeRig fake({kBoard256, kBoard64});
        WindowRig &rig = fake.rig;
        Activate(rig.window);
        auto *boards = rig.find<QComboBox>("boardList");
        auto *clockwise = rig.find<QComboBox>("clockwiseList");
        rig.find<QPushButton>("refreshButton")->setFocus();

        // An unfocused list ignores the wheel; a focused one takes it.
        WheelDown(boards);
        WheelDown(clockwise);
        QCOMPARE(boards->currentIndex(), 0);
        QCOMPARE(rig.session.selectedDevice(), 0);
        QCOMPARE(clockwise->currentIndex(), -1);
        boards->setFocus();
        WheelDown(boards);
        QCOMPARE(rig.session.selectedDevice(), 1);
        clockwise->setFocus();
        WheelDown(clockwise);
        QCOMPARE(clockwise->currentIndex(), 0);

        // F5 detects anew; Page Down and Page Up turn the page.
        QTest::keyClick(&rig.window, Qt::Key_F5);
        QCOMPARE(fake.api.closeCounts, std::vector<uint32_t>{2});
        QCOMPARE(rig.session.selectedDevice(), 0);
        QTest::keyClick(&rig.window, Qt::Key_PageDown);
        QCOMPARE(rig.find<QGroupBox>("pageFrame")->title(), QStringLiteral("Input Page 2     "));
        QTest::keyClick(&rig.window, Qt::Key_PageUp);
        QCOMPARE(rig.session.page(), 0);
    }

    void aBoardThatStopsAnsweringIsShownAsSuch() {
        FakeRig fake({kBoard256});
        const auto *status = fake.rig.find<QLabel>("deviceStatus");
        const QString healthy = status->text();
        fake.api.openHandles.clear(); // unplugged
        fake.rig.session.poll();
        QCOMPARE(status->text(), healthy + QStringLiteral("   - not responding"));
        fake.rig.session.detect(); // plugged in again and detected
        QCOMPARE(status->text(), healthy);
    }

    void renderTheWindowForReview() {
        SimBus::Reset();
        const int big = SimBus::AddBoard({0x0500, 0x0123, L"Halcyon-256 USB MODULE", L"123", "a"});
        SimBus::AddBoard({0x0700, 0x0045, L"Halcyon-64 USB MODULE", L"7", "b"});
        WindowRig rig(TestLibrary());
        rig.start();
        rig.find<QComboBox>("clockwiseList")->setCurrentIndex(0);
        rig.find<QComboBox>("counterClockwiseList")->setCurrentIndex(1);
        SimBus::PushInputs(big, {0, 3, 10, 17, 24, 45, 63});
        for (int poll = 0; poll < SimBus::kDeliveryPolls; ++poll)
            rig.session.poll();
        QCOMPARE(rig.find<QLabel>("countLabel")->text(), QStringLiteral("1"));
        const QString path = QStringLiteral(INPUTSCOPE_SCREENSHOT_DIR "/inputscope_window.png");
        QVERIFY(rig.window.grab().save(path, "PNG"));
        qInfo("window rendered to %s", qPrintable(path));
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"

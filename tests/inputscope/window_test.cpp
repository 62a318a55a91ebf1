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

// A control's property and the value it must have; "" names the window itself.
using Property = std::tuple<const char *, const char *, QVariant>;

void CheckProperties(WindowRig &rig, const QList<Property> &properties) {
    for (const auto &[name, property, expected] : properties) {
        QObject *control = *name ? rig.find<QWidget>(name) : &rig.window;
        const QVariant actual = control->property(property);
        QVERIFY2(actual == expected || actual.toString() == expected.toString(),
                 qPrintable(QStringLiteral("%1.%2 is %3").arg(name, property, actual.toString())));
    }
}

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
    void controlsHaveTheirDesignPlacesAndLooks() {
        FakeRig fake({});
        WindowRig &rig = fake.rig;
        // 15 twips to a pixel.
        QCOMPARE(rig.window.size(), QSize(633, 318));
        QCOMPARE(rig.window.minimumSize(), rig.window.maximumSize());
        CheckProperties(rig, {
                                 {"boardList", "geometry", QRect(8, 12, 297, 22)},
                                 {"pageFrame", "geometry", QRect(8, 36, 297, 253)},
                                 {"previousPage", "geometry", QRect(84, 0, 13, 17)},
                                 {"nextPage", "geometry", QRect(97, 0, 13, 17)},
                                 {"detectFrame", "geometry", QRect(312, 4, 313, 69)},
                                 {"refreshButton", "geometry", QRect(16, 20, 41, 41)},
                                 {"infoFrame", "geometry", QRect(312, 76, 313, 133)},
                                 {"identityPanel", "geometry", QRect(8, 20, 297, 105)},
                                 {"encoderFrame", "geometry", QRect(312, 212, 313, 77)},
                                 {"clockwiseList", "geometry", QRect(16, 36, 49, 22)},
                                 {"counterClockwiseList", "geometry", QRect(84, 36, 49, 22)},
                                 {"countLabel", "geometry", QRect(192, 20, 96, 48)},
                                 {"deviceStatus", "geometry", QRect(-4, 296, 525, 21)},
                                 {"periodStatus", "geometry", QRect(523, 296, 109, 21)},
                                 {"previousPage", "text", "<"},
                                 {"nextPage", "text", ">"},
                                 {"previousPage", "toolTip", "Previous page"},
                                 {"nextPage", "toolTip", "Next page"},
                                 {"detectFrame", "title", "Detect Devices"},
                                 {"infoFrame", "title", "Device Info."},
                                 {"encoderFrame", "title", "Rotary Encoder Pulse Counter"},
                                 {"clockwiseCaption", "text", "CW Input"},
                                 {"counterClockwiseCaption", "text", "CCW Input"},
                                 {"refreshButton", "text", ""},
                                 {"refreshButton", "iconSize", QSize(32, 32)},
                                 {"identityPanel", "readOnly", true},
                                 {"identityPanel", "horizontalScrollBarPolicy",
                                  QVariant::fromValue(Qt::ScrollBarAlwaysOn)},
                                 {"identityPanel", "verticalScrollBarPolicy",
                                  QVariant::fromValue(Qt::ScrollBarAlwaysOn)},
                                 {"boardList", "editable", false},
                                 {"clockwiseList", "editable", false},
                                 {"counterClockwiseList", "editable", false},
                             });
        QVERIFY(!rig.find<QPushButton>("refreshButton")->icon().isNull());
        const QList<QSize> iconSizes = rig.window.windowIcon().availableSizes();
        QVERIFY(iconSizes.contains(QSize(32, 32)) && iconSizes.contains(QSize(16, 16)));

        const auto font = [&rig](const char *name) { return rig.find<QWidget>(name)->font(); };
        QCOMPARE(rig.window.font().pointSizeF(), 8.4);
        QVERIFY(font("boardList").bold());
        QCOMPARE(font("pageFrame").pointSizeF(), 9.0);
        QVERIFY(font("pageFrame").bold() && !font("infoFrame").bold());
        QVERIFY(font("previousPage").italic());
        QCOMPARE(font("countLabel").pointSizeF(), 27.6);
        QVERIFY(font("identityPanel").fixedPitch());
        QVERIFY(rig.find<QLabel>("countLabel")->alignment() & Qt::AlignRight);

        // The indicator grid: 8 rows of 8, 36 pixels apart across and 28 down, dark at first,
        // each number centred on its indicator, all within the page frame.
        const auto *grid = rig.find<IndicatorGrid>("indicators");
        QCOMPARE(grid->parentWidget(), rig.find<QGroupBox>("pageFrame"));
        QCOMPARE(grid->geometry(), grid->parentWidget()->rect());
        for (int i = 0; i < IndicatorGrid::kCount; ++i) {
            const int row = i / 8, column = i % 8;
            const QRect indicator = IndicatorGrid::indicatorRect(i);
            QCOMPARE(indicator, QRect(12 + 36 * column, 20 + 28 * row, 21, 25));
            QVERIFY(qAbs(grid->numberRect(i).center().x() - indicator.center().x()) <= 1);
            QCOMPARE(grid->numberRect(i).top(), 25 + 28 * row);
            QCOMPARE(grid->fillColour(i), 0x000080u);
        }

        // Resizing does not move anything.
        rig.window.resize(900, 600);
        QCOMPARE(rig.window.size(), QSize(633, 318));
        QCOMPARE(rig.find<QLabel>("countLabel")->geometry(), QRect(192, 20, 96, 48));
    }

    void tabOrderFollowsTheDesign() {
        FakeRig fake({});
        QList<QWidget *> expected;
        for (const char *name : {"boardList", "previousPage", "nextPage", "refreshButton",
                                 "clockwiseList", "counterClockwiseList", "identityPanel"})
            expected.append(fake.rig.find<QWidget>(name));
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
        const QList<Property> startUp = {
            {"", "windowTitle", "Inputscope V" INPUTSCOPE_EXPECTED_VERSION},
            {"refreshHint", "text",
             "Refresh Device List. Press this button if you have connected or disconnected an "
             "input device."},
            {"boardList", "currentText", "No Devices Detected"},
            {"boardList", "count", 1},
            {"identityPanel", "plainText", " No compatible input devices detected!\n\n"},
            {"deviceStatus", "text", "  No Devices Detected!"},
            {"pageFrame", "title", "Input Page 1     "},
            {"countLabel", "text", "0"},
            {"clockwiseList", "currentText", ""},
            {"clockwiseList", "currentIndex", -1},
        };
        CheckProperties(rig, startUp);
        QCOMPARE(rig.numbers(), WindowRig::numbersFrom(1));
        QCOMPARE(WindowRig::items(rig.find<QComboBox>("clockwiseList")).first(),
                 QStringLiteral(" 1"));
        QVERIFY(rig.find<QLabel>("deviceStatus")->font().bold());
        QVERIFY(rig.find<QLabel>("periodStatus")->font().bold());

        // Choosing the only entry, or a page button, changes nothing.
        emit rig.find<QComboBox>("boardList")->activated(0);
        rig.find<QPushButton>("nextPage")->click();
        QVERIFY(!rig.session.isPolling());
        CheckProperties(rig, startUp);
    }

    void boardsAreListedShownAndChosen() {
        // The second board's name looks like markup: it must show as it is, everywhere.
        const QString name = QStringLiteral("Zephyr <b>Lite</b> &amp;");
        FakeRig fake({kBoard256, {64, 0x0700, 0x0045, name.toStdString(), "9"}});
        WindowRig &rig = fake.rig;
        auto *boards = rig.find<QComboBox>("boardList");
        QCOMPARE(WindowRig::items(boards),
                 (QStringList{"Halcyon-256 USB MODULE - 123", name + QStringLiteral(" - 9")}));
        QCOMPARE(boards->currentIndex(), 0);
        const auto *panel = rig.find<QPlainTextEdit>("identityPanel");
        const auto *status = rig.find<QLabel>("deviceStatus");
        QCOMPARE(panel->toPlainText(), Texts::identityPanel(rig.session.device(0), 1));
        QCOMPARE(status->text(),
                 QStringLiteral(" Device:  1   Device Type: Halcyon-256 USB MODULE"));

        boards->setCurrentIndex(1); // the user picks the second board
        emit boards->activated(1);
        QCOMPARE(rig.session.selectedDevice(), 1);
        QVERIFY(panel->toPlainText().startsWith(QStringLiteral("Device:  2\nDevice Type: ") + name +
                                                QStringLiteral("\n")));
        const QString line = QStringLiteral(" Device:  2   Device Type: ") + name;
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

// The window offscreen, without the kernel: it says why boards cannot go on the bus and what
// grants access, its controls and keys change the board's inputs, encoders pulse and release,
// and set-ups go to a file and come back.
#include <QApplication>
#include <QCheckBox>
#include <QDial>
#include <QLabel>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

#include "main_window.h"
#include "startup_boards.h"

using namespace panelink::virtualboard;

class WindowTest : public QObject {
    Q_OBJECT
  private slots:
    void saysWhyBoardsCannotGoOnTheBus();
    void controlsAndKeysWorkTheInputs_data();
    void controlsAndKeysWorkTheInputs();
    void anEncoderPulsesAndEndsReleased();
    void setUpsGoToAFileAndComeBack();
    void newRolesRedrawThePage();
    void startsWithTheBoardsOfTheCommandLine_data();
    void startsWithTheBoardsOfTheCommandLine();
};

namespace {

const char *kMissingUhid = "/nonexistent/uhid";

std::vector<BoardSetup> boards(std::initializer_list<uint16_t> products) {
    std::vector<BoardSetup> setups;
    for (uint16_t product : products) {
        setups.push_back(BoardSetup::defaults(*panelink::board_models::find_board_kind(product)));
    }
    return setups;
}

} // namespace

void WindowTest::saysWhyBoardsCannotGoOnTheBus() {
    MainWindow window(kMissingUhid);
    window.useBoards(boards({0x0500}));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *problem = window.findChild<QLabel *>(QStringLiteral("uhid-problem"));
    QVERIFY(problem != nullptr);
    QVERIFY(problem->isVisible());
    QVERIFY2(problem->text().contains(QStringLiteral("modprobe uhid")),
             qPrintable(problem->text()));
    QVERIFY(problem->text().startsWith(QString::fromLatin1(kMissingUhid)));
    QVERIFY(!window.board(0)->isPlugged());
}

void WindowTest::controlsAndKeysWorkTheInputs_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("input");
    QTest::addColumn<bool>("on");
    // The 256-input board: inputs 0 and 1 are its encoder, so key 1 is input 2.
    QTest::newRow("click a switch") << "click input-7" << 7 << true;
    QTest::newRow("click it twice") << "click input-7 click input-7" << 7 << false;
    QTest::newRow("key 1: the first switch") << "key 1" << 2 << true;
    QTest::newRow("key 0: the tenth switch") << "key 0" << 11 << true;
    QTest::newRow("key 3 twice") << "key 3 key 3" << 4 << false;
}

void WindowTest::controlsAndKeysWorkTheInputs() {
    QFETCH(QString, action);
    QFETCH(int, input);
    QFETCH(bool, on);
    MainWindow window(kMissingUhid);
    window.useBoards(boards({0x0500}));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QStringList words = action.split(QLatin1Char(' '));
    for (int i = 0; i + 1 < words.size(); i += 2) {
        if (words[i] == QStringLiteral("click")) {
            auto *button = window.findChild<QToolButton *>(words[i + 1]);
            QVERIFY(button != nullptr);
            QTest::mouseClick(button, Qt::LeftButton);
        } else {
            QTest::keyClick(&window, words[i + 1].at(0).toLatin1());
        }
    }
    const InputState &inputs = window.board(0)->model().inputs();
    QCOMPARE(inputs.is_on(static_cast<unsigned>(input)), on);
    for (unsigned other = 0; other < inputs.input_count(); ++other) {
        if (other != static_cast<unsigned>(input)) {
            QVERIFY2(!inputs.is_on(other), qPrintable(QString::number(other)));
        }
    }
    auto *button = window.findChild<QToolButton *>(QStringLiteral("input-%1").arg(input));
    QCOMPARE(button->isChecked(), on);
}

void WindowTest::anEncoderPulsesAndEndsReleased() {
    MainWindow window(kMissingUhid);
    window.useBoards(boards({0x0500}));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    BoardHost &host = *window.board(0);
    int clockwiseEdges = 0;
    connect(&host, &BoardHost::inputsChanged, this, [&] {
        clockwiseEdges += host.model().inputs().is_on(0) ? 1 : 0;
        QVERIFY(!host.model().inputs().is_on(1));
    });
    QTest::keyClick(&window, ']');
    QTest::keyClick(&window, ']');
    QTRY_VERIFY(!host.model().inputs().pulses_pending());
    QCOMPARE(clockwiseEdges, 2);
    QVERIFY(!host.model().inputs().is_on(0));

    // One notch of the mouse wheel on the dial is one detent.
    auto *dial = window.findChild<QDial *>(QStringLiteral("encoder-0"));
    QVERIFY(dial != nullptr);
    const QPointF centre(dial->width() / 2.0, dial->height() / 2.0);
    QWheelEvent notch(centre, dial->mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(dial, &notch);
    QTRY_VERIFY(!host.model().inputs().pulses_pending());
    QCOMPARE(clockwiseEdges, 3);
}

void WindowTest::newRolesRedrawThePage() {
    MainWindow window(kMissingUhid);
    window.useBoards(boards({0x0700}));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    BoardHost &host = *window.board(0);
    host.setInput(4, true);
    QVERIFY(host.setRoles({{0, 1}, {4, 5}}, {9}));
    QTRY_VERIFY(window.findChild<QDial *>(QStringLiteral("encoder-1")) != nullptr);
    QVERIFY(window.findChild<QToolButton *>(QStringLiteral("input-4")) == nullptr);
    QVERIFY2(!host.model().inputs().is_on(4), "a switch that joins an encoder is released");

    // Input 9 is now a push button: on while held.
    auto *button = window.findChild<QToolButton *>(QStringLiteral("input-9"));
    QVERIFY(button != nullptr && !button->isCheckable());
    QTest::mousePress(button, Qt::LeftButton);
    QVERIFY(host.model().inputs().is_on(9));
    QTest::mouseRelease(button, Qt::LeftButton);
    QVERIFY(!host.model().inputs().is_on(9));

    // Roles that do not fit change nothing.
    QVERIFY(!host.setRoles({{9, 10}}, {9}));
    QVERIFY(host.model().setup().encoders.size() == 2);
}

void WindowTest::setUpsGoToAFileAndComeBack() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("panel.json"));
    MainWindow window(kMissingUhid);
    window.useBoards(boards({0x0800, 0x0700}));
    window.findChild<QTabWidget *>(QStringLiteral("boards"))->setCurrentIndex(0);
    window.findChild<QCheckBox *>(QStringLiteral("port-5-fault"))->setChecked(true);
    window.findChild<QSpinBox *>(QStringLiteral("port-5-type"))->setValue(12);
    QVERIFY(window.saveSetup(path));

    MainWindow reopened(kMissingUhid);
    QVERIFY(reopened.openSetup(path));
    QCOMPARE(reopened.boardCount(), 2);
    for (int i = 0; i < 2; ++i) {
        QVERIFY(reopened.board(i)->model().setup() == window.board(i)->model().setup());
    }
    const PortModule port5 = reopened.board(0)->model().setup().ports[5];
    QVERIFY(port5.present && port5.fault && port5.type == 12);
}

void WindowTest::startsWithTheBoardsOfTheCommandLine_data() {
    QTest::addColumn<QStringList>("products");
    QTest::addColumn<QString>("outcome"); // the models in order, or a part of the error
    QTest::newRow("none") << QStringList{} << "";
    QTest::newRow("two") << QStringList{"0x0500", "2048"} << "500 800";
    QTest::newRow("the same model twice") << QStringList{"0x0700", "0x0700"} << "700 700";
    QTest::newRow("unknown model") << QStringList{"0x0501"} << "error: 0x0501: no such model";
    QTest::newRow("not a number") << QStringList{"halcyon"} << "error: halcyon: no such model";
}

void WindowTest::startsWithTheBoardsOfTheCommandLine() {
    QFETCH(QStringList, products);
    QFETCH(QString, outcome);
    std::vector<std::string> given;
    for (const QString &product : products) {
        given.push_back(product.toStdString());
    }
    std::vector<BoardSetup> chosen;
    std::string error;
    if (startup_boards("", given, chosen, error)) {
        QStringList models;
        for (const BoardSetup &setup : chosen) {
            models << QString::number(setup.product, 16);
        }
        QCOMPARE(models.join(QLatin1Char(' ')), outcome);
    } else {
        QVERIFY2(outcome.startsWith(QStringLiteral("error: ")), error.c_str());
        QVERIFY2(QString::fromStdString(error).contains(outcome.mid(7)), error.c_str());
    }
}

QTEST_MAIN(WindowTest)
#include "window_test.moc"

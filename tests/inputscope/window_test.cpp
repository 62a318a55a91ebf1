// The window itself: fixed places and sizes of the controls, their look, the tab order, and a
// picture of the window in the build folder for a reviewer.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QtTest>

#include "AppDeclarations.h"
#include "indicator_shape.h"
#include "sim_bus.h"
#include "window_fixture.h"

class WindowTest : public QObject {
    Q_OBJECT
  private slots:
    void controlsStandAtTheirDesignPlaces() {
        WindowFixture fixture;
        frmMain &form = fixture.Load();
        // 15 twips to a pixel.
        QCOMPARE(form.size(), QSize(633, 318));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QCOMPARE(form.Combo1->geometry(), QRect(8, 12, 297, 22));
        QCOMPARE(form.Frame1->geometry(), QRect(8, 36, 297, 253));
        QCOMPARE(form.PreviousPage->geometry(), QRect(84, 0, 13, 17));
        QCOMPARE(form.NextPage->geometry(), QRect(97, 0, 13, 17));
        QCOMPARE(form.Frame3->geometry(), QRect(312, 4, 313, 69));
        QCOMPARE(form.ComRefresh->geometry(), QRect(16, 20, 41, 41));
        QCOMPARE(form.Frame2->geometry(), QRect(312, 76, 313, 133));
        QCOMPARE(form.TextBox1->geometry(), QRect(8, 20, 297, 105));
        QCOMPARE(form.Frame4->geometry(), QRect(312, 212, 313, 77));
        QCOMPARE(form.CWlist->geometry(), QRect(16, 36, 49, 22));
        QCOMPARE(form.CCWlist->geometry(), QRect(84, 36, 49, 22));
        QCOMPARE(form.Counter_label->geometry(), QRect(192, 20, 96, 48));
        QCOMPARE(form.StatusBar1->geometry(), QRect(-4, 296, 525, 21));
        QCOMPARE(form.StatusBar2->geometry(), QRect(523, 296, 109, 21));

        // The indicator grid: 8 rows of 8, 36 pixels apart across and 28 down, each number
        // centred on its indicator.
        for (int i = 0; i < 64; ++i) {
            const int row = i / 8, column = i % 8;
            QCOMPARE(form.Shape[i]->geometry(), QRect(12 + 36 * column, 20 + 28 * row, 21, 25));
            QCOMPARE(form.Shape[i]->parentWidget(), form.Frame1);
            const QRect label = form.Label[i]->geometry();
            QVERIFY(qAbs(label.center().x() - form.Shape[i]->geometry().center().x()) <= 1);
            QCOMPARE(label.top(), 25 + 28 * row);
        }

        // Resizing does not move anything.
        const QRect before = form.Counter_label->geometry();
        form.resize(900, 600);
        QCOMPARE(form.size(), QSize(633, 318));
        QCOMPARE(form.Counter_label->geometry(), before);
    }

    void controlsHaveTheirTextsFontsAndColours() {
        WindowFixture fixture;
        frmMain &form = fixture.Load();
        QCOMPARE(form.PreviousPage->text(), QStringLiteral("<"));
        QCOMPARE(form.NextPage->text(), QStringLiteral(">"));
        QCOMPARE(form.PreviousPage->toolTip(), QStringLiteral("Previous page"));
        QCOMPARE(form.NextPage->toolTip(), QStringLiteral("Next page"));
        QCOMPARE(form.Frame3->title(), QStringLiteral("Detect Devices"));
        QCOMPARE(form.Frame2->title(), QStringLiteral("Device Info."));
        QCOMPARE(form.Frame4->title(), QStringLiteral("Rotary Encoder Pulse Counter"));
        QCOMPARE(form.Label2->text(), QStringLiteral("CW Input"));
        QCOMPARE(form.Label3->text(), QStringLiteral("CCW Input"));
        QVERIFY(form.ComRefresh->text().isEmpty());
        QCOMPARE(form.ComRefresh->iconSize(), QSize(32, 32));
        QVERIFY(!form.ComRefresh->icon().isNull());

        QCOMPARE(form.font().pointSizeF(), 8.4);
        QVERIFY(form.Combo1->font().bold());
        QCOMPARE(form.Frame1->font().pointSizeF(), 9.0);
        QVERIFY(form.Frame1->font().bold());
        QVERIFY(!form.Frame2->font().bold());
        QVERIFY(form.PreviousPage->font().italic());
        QCOMPARE(form.Counter_label->font().pointSizeF(), 27.6);
        QVERIFY(form.Counter_label->alignment() & Qt::AlignRight);
        QVERIFY(form.TextBox1->isReadOnly());
        QVERIFY(form.TextBox1->font().fixedPitch());
        QCOMPARE(form.TextBox1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(form.TextBox1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QVERIFY(!form.Combo1->isEditable());
        QVERIFY(!form.CWlist->isEditable());

        for (const IndicatorShape *shape : form.Shape)
            QCOMPARE(shape->FillColor(), 0x000080u);

        const QList<QSize> iconSizes = form.windowIcon().availableSizes();
        QVERIFY(iconSizes.contains(QSize(32, 32)));
        QVERIFY(iconSizes.contains(QSize(16, 16)));
    }

    void tabOrderFollowsTheDesign() {
        WindowFixture fixture;
        frmMain &form = fixture.Load();
        const QList<QWidget *> expected = {form.Combo1,     form.PreviousPage, form.NextPage,
                                           form.ComRefresh, form.CWlist,       form.CCWlist,
                                           form.TextBox1};
        QList<QWidget *> order;
        QWidget *widget = form.Combo1;
        do {
            if ((widget->focusPolicy() & Qt::TabFocus) && widget->isEnabled())
                order.append(widget);
            widget = widget->nextInFocusChain();
        } while (widget != form.Combo1 && order.size() < 20);
        QCOMPARE(order, expected);
    }

    void renderTheWindowForReview() {
        WindowFixture fixture;
        const int big = SimBus::AddBoard({0x0500, 0x0123, L"Halcyon-256 USB MODULE", L"123", "a"});
        SimBus::AddBoard({0x0700, 0x0045, L"Halcyon-64 USB MODULE", L"7", "b"});
        frmMain &form = fixture.Load();
        form.CWlist->setCurrentIndex(0);
        form.CCWlist->setCurrentIndex(1);
        SimBus::PushInputs(big, {0, 3, 10, 17, 24, 45, 63});
        fixture.Deliver();
        QCOMPARE(form.Counter_label->text(), QStringLiteral("1"));
        const QString path = QStringLiteral(INPUTSCOPE_SCREENSHOT_DIR "/inputscope_window.png");
        QVERIFY(form.grab().save(path, "PNG"));
        qInfo("window rendered to %s", qPrintable(path));
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"

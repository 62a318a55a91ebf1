// The window's controls at their fixed places. The design is measured in twips, 15 to a pixel;
// nothing is laid out by Qt and the window keeps one size, so no control ever moves.
#include <cmath>

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyleFactory>
#include <QTimer>

#include "frmMain.h"
#include "indicator_shape.h"
#include "ole_colour.h"

namespace {

constexpr double kTwipsPerPixel = 15.0;

int Px(int twips) {
    return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}

QRect Twips(int left, int top, int width, int height) {
    return QRect(Px(left), Px(top), Px(width), Px(height));
}

// Arial is served by a metric-compatible face where the platform lacks it.
QFont Arial(double points, bool bold = false) {
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QFont ArialBlack(double points) {
    QFont font;
    font.setFamilies({QStringLiteral("Arial Black"), QStringLiteral("Arial"),
                      QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setWeight(QFont::Black);
    font.setItalic(true);
    return font;
}

QFont Fixedsys(double points) {
    QFont font;
    font.setFamilies({QStringLiteral("Fixedsys"), QStringLiteral("Liberation Mono"),
                      QStringLiteral("DejaVu Sans Mono")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(points);
    return font;
}

template <typename Control>
Control *Place(Control *control, const QRect &geometry, const QFont &font) {
    control->setGeometry(geometry);
    control->setFont(font);
    return control;
}

QGroupBox *Frame(QWidget *parent, const QString &title, const QRect &geometry, const QFont &font) {
    auto *frame = Place(new QGroupBox(title, parent), geometry, font);
    frame->setFocusPolicy(Qt::NoFocus);
    return frame;
}

QLabel *Caption(QWidget *parent, const QString &text, const QRect &geometry, const QFont &font) {
    auto *label = Place(new QLabel(parent), geometry, font);
    label->setFocusPolicy(Qt::NoFocus);
    // Captions show their text as it is, device texts included: never read as markup.
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    return label;
}

QPushButton *PageButton(QWidget *parent, const QString &caption, const QString &tip,
                        const QRect &geometry) {
    auto *button = Place(new QPushButton(caption, parent), geometry, ArialBlack(8.4));
    button->setToolTip(tip);
    // The button is smaller than the style's usual margins: draw the caption edge to edge.
    button->setStyleSheet(QStringLiteral("QPushButton { padding: 0px; }"));
    return button;
}

void SetBackground(QWidget *widget, QPalette::ColorRole role, uint32_t colour) {
    QPalette palette = widget->palette();
    palette.setColor(role, OleColour(colour, palette));
    widget->setPalette(palette);
}

void SetTextColour(QWidget *widget, uint32_t colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, OleColour(colour, palette));
    widget->setPalette(palette);
}

} // namespace

void frmMain::UseClassicStyle() {
    if (QApplication::style()->name().compare(QStringLiteral("windows"), Qt::CaseInsensitive) == 0)
        return;
    if (QStyle *style = QStyleFactory::create(QStringLiteral("Windows")))
        QApplication::setStyle(style);
}

void frmMain::BuildControls() {
    const QFont windowFont = Arial(8.4);
    setFont(windowFont);
    setFixedSize(Px(9492), Px(4776));

    QIcon icon;
    icon.addPixmap(QPixmap(QStringLiteral(":/inputscope/icon32.xpm")));
    icon.addPixmap(QPixmap(QStringLiteral(":/inputscope/icon16.xpm")));
    setWindowIcon(icon);

    Combo1 = Place(new QComboBox(this), Twips(120, 180, 4455, 330), Arial(8.4, true));

    Frame1 = Frame(this, QStringLiteral("Input Page      "), Twips(120, 540, 4455, 3795),
                   Arial(9, true));
    for (int i = 0; i < 64; ++i) {
        const int row = i / 8, column = i % 8;
        Shape[i] = new IndicatorShape(Frame1);
        Shape[i]->setGeometry(Twips(180 + 540 * column, 300 + 420 * row, 315, 375));
    }
    // The numbers lie above the indicators: created after them, so drawn over them.
    for (int i = 0; i < 64; ++i) {
        const int row = i / 8, column = i % 8;
        Label[i] = Caption(Frame1, QStringLiteral("64"),
                           Twips(240 + 540 * column, 375 + 420 * row, 195, 210), Arial(8.4, true));
        Label[i]->setAlignment(Qt::AlignCenter);
        Label[i]->setAttribute(Qt::WA_TransparentForMouseEvents);
        SetTextColour(Label[i], kSystemButtonFace);
    }
    PreviousPage = PageButton(Frame1, QStringLiteral("<"), QStringLiteral("Previous page"),
                              Twips(1260, 0, 195, 255));
    NextPage = PageButton(Frame1, QStringLiteral(">"), QStringLiteral("Next page"),
                          Twips(1455, 0, 195, 255));

    Frame3 = Frame(this, QStringLiteral("Detect Devices"), Twips(4680, 60, 4695, 1035), Arial(9));
    ComRefresh = Place(new QPushButton(Frame3), Twips(240, 300, 615, 615), windowFont);
    ComRefresh->setIcon(QIcon(QPixmap(QStringLiteral(":/inputscope/joystick.xpm"))));
    ComRefresh->setIconSize(QSize(32, 32));
    Label1 = Caption(Frame3,
                     QStringLiteral("Refresh devcie list. Press this button if you have "
                                    "disconnected  or connected a new device."),
                     Twips(1080, 300, 3465, 630), windowFont);
    Label1->setWordWrap(true);
    Label1->resize(Label1->width(), Label1->heightForWidth(Label1->width()));

    Frame2 = Frame(this, QStringLiteral("Device Info."), Twips(4680, 1140, 4695, 1995), Arial(9));
    TextBox1 = Place(new QPlainTextEdit(Frame2), Twips(120, 300, 4455, 1575), Fixedsys(10.8));
    TextBox1->setReadOnly(true);
    TextBox1->setLineWrapMode(QPlainTextEdit::NoWrap);
    TextBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    TextBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    TextBox1->setFocusPolicy(Qt::StrongFocus);
    SetBackground(TextBox1, QPalette::Base, kSystemInactiveBorder);

    Frame4 = Frame(this, QStringLiteral("Rotary Encoder Pulse Counter"),
                   Twips(4680, 3180, 4695, 1155), Arial(9));
    Label2 =
        Caption(Frame4, QStringLiteral("CW Input"), Twips(240, 300, 735, 210), Arial(8.4, true));
    Label2->adjustSize();
    CWlist = Place(new QComboBox(Frame4), Twips(240, 540, 735, 330), windowFont);
    Label3 =
        Caption(Frame4, QStringLiteral("CCW Input"), Twips(1200, 300, 855, 210), Arial(8.4, true));
    Label3->adjustSize();
    CCWlist = Place(new QComboBox(Frame4), Twips(1260, 540, 735, 330), windowFont);
    Counter_label =
        Caption(Frame4, QStringLiteral("8888"), Twips(2880, 300, 1440, 720), Arial(27.6, true));
    Counter_label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Counter_label->setFrameStyle(QFrame::Box | QFrame::Plain);
    Counter_label->setLineWidth(1);

    StatusBar1 = Caption(this, QString(), Twips(-60, 4440, 7872, 312), windowFont);
    StatusBar2 = Caption(this, QString(), Twips(7848, 4440, 1632, 312), windowFont);
    for (QLabel *bar : {StatusBar1, StatusBar2}) {
        bar->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        bar->setLineWidth(1);
    }

    tmrContinuousDataCollect = new QTimer(this);
    tmrContinuousDataCollect->setTimerType(Qt::PreciseTimer);
    tmrContinuousDataCollect->setInterval(10);

    setTabOrder(Combo1, PreviousPage);
    setTabOrder(PreviousPage, NextPage);
    setTabOrder(NextPage, ComRefresh);
    setTabOrder(ComRefresh, CWlist);
    setTabOrder(CWlist, CCWlist);
    setTabOrder(CCWlist, TextBox1);
}

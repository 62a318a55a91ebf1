// The window's controls at their fixed places. Nothing is laid out by Qt and the window keeps
// one size, so no control ever moves.
#include <QComboBox>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>

#include "count_label.h"
#include "design_units.h"
#include "focus_wheel_combo_box.h"
#include "indicator_grid.h"
#include "main_window.h"
#include "ole_colour.h"

using Design::twips;

namespace {

template <typename Control>
Control *place(Control *control, const char *name, const QRect &geometry, const QFont &font) {
    control->setObjectName(QLatin1String(name));
    control->setGeometry(geometry);
    control->setFont(font);
    return control;
}

QGroupBox *frame(QWidget *parent, const char *name, const QString &title, const QRect &geometry,
                 const QFont &font) {
    auto *box = place(new QGroupBox(title, parent), name, geometry, font);
    box->setFocusPolicy(Qt::NoFocus);
    return box;
}

QLabel *caption(QWidget *parent, const char *name, const QString &text, const QRect &geometry,
                const QFont &font) {
    auto *label = place(new QLabel(parent), name, geometry, font);
    label->setFocusPolicy(Qt::NoFocus);
    // Captions show their text as it is, device texts included: never read as markup.
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    return label;
}

QPushButton *pageButton(QWidget *parent, const char *name, const QString &text, const QString &tip,
                        const QRect &geometry) {
    auto *button = place(new QPushButton(text, parent), name, geometry, Design::arialBlack(8.4));
    button->setToolTip(tip);
    // The button is smaller than the style's usual margins: draw the caption edge to edge.
    button->setStyleSheet(QStringLiteral("QPushButton { padding: 0px; }"));
    return button;
}

QIcon designIcon() {
    QIcon icon;
    icon.addPixmap(QPixmap(QStringLiteral(":/inputscope/icon32.xpm")));
    icon.addPixmap(QPixmap(QStringLiteral(":/inputscope/icon16.xpm")));
    return icon;
}

} // namespace

void MainWindow::buildControls() {
    Q_INIT_RESOURCE(inputscope);
    const QFont windowFont = Design::arial(8.4);
    setFont(windowFont);
    setFixedSize(twips(0, 0, 9492, 4776).size());
    setWindowIcon(designIcon());

    boardList_ = place(new FocusWheelComboBox(this), "boardList", twips(120, 180, 4455, 330),
                       Design::arial(8.4, true));

    pageFrame_ = frame(this, "pageFrame", QStringLiteral("Input Page      "),
                       twips(120, 540, 4455, 3795), Design::arial(9, true));
    indicators_ = new IndicatorGrid(pageFrame_);
    indicators_->setObjectName(QStringLiteral("indicators"));
    indicators_->setFont(Design::arial(8.4, true));
    // Created after the indicators, so drawn over them.
    previousPageButton_ = pageButton(pageFrame_, "previousPage", QStringLiteral("<"),
                                     QStringLiteral("Previous page"), twips(1260, 0, 195, 255));
    nextPageButton_ = pageButton(pageFrame_, "nextPage", QStringLiteral(">"),
                                 QStringLiteral("Next page"), twips(1455, 0, 195, 255));

    detectFrame_ = frame(this, "detectFrame", QStringLiteral("Detect Devices"),
                         twips(4680, 60, 4695, 1035), Design::arial(9));
    refreshButton_ = place(new QPushButton(detectFrame_), "refreshButton",
                           twips(240, 300, 615, 615), windowFont);
    refreshButton_->setIcon(QIcon(QPixmap(QStringLiteral(":/inputscope/joystick.xpm"))));
    refreshButton_->setIconSize(QSize(32, 32));
    refreshHint_ = caption(detectFrame_, "refreshHint",
                           QStringLiteral("Refresh devcie list. Press this button if you have "
                                          "disconnected  or connected a new device."),
                           twips(1080, 300, 3465, 630), windowFont);
    refreshHint_->setWordWrap(true);
    refreshHint_->resize(refreshHint_->width(),
                         refreshHint_->heightForWidth(refreshHint_->width()));

    infoFrame_ = frame(this, "infoFrame", QStringLiteral("Device Info."),
                       twips(4680, 1140, 4695, 1995), Design::arial(9));
    identityPanel_ = place(new QPlainTextEdit(infoFrame_), "identityPanel",
                           twips(120, 300, 4455, 1575), Design::fixedsys(10.8));
    identityPanel_->setReadOnly(true);
    identityPanel_->setLineWrapMode(QPlainTextEdit::NoWrap);
    identityPanel_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    identityPanel_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    identityPanel_->setFocusPolicy(Qt::StrongFocus);
    QPalette panelPalette = identityPanel_->palette();
    panelPalette.setColor(QPalette::Base, OleColour(kSystemInactiveBorder, panelPalette));
    identityPanel_->setPalette(panelPalette);

    encoderFrame_ = frame(this, "encoderFrame", QStringLiteral("Rotary Encoder Pulse Counter"),
                          twips(4680, 3180, 4695, 1155), Design::arial(9));
    clockwiseCaption_ = caption(encoderFrame_, "clockwiseCaption", QStringLiteral("CW Input"),
                                twips(240, 300, 735, 210), Design::arial(8.4, true));
    clockwiseCaption_->adjustSize();
    clockwiseList_ = place(new FocusWheelComboBox(encoderFrame_), "clockwiseList",
                           twips(240, 540, 735, 330), windowFont);
    counterClockwiseCaption_ =
        caption(encoderFrame_, "counterClockwiseCaption", QStringLiteral("CCW Input"),
                twips(1200, 300, 855, 210), Design::arial(8.4, true));
    counterClockwiseCaption_->adjustSize();
    counterClockwiseList_ = place(new FocusWheelComboBox(encoderFrame_), "counterClockwiseList",
                                  twips(1260, 540, 735, 330), windowFont);
    countLabel_ = new CountLabel(Design::arial(27.6, true), encoderFrame_);
    countLabel_->setObjectName(QStringLiteral("countLabel"));
    countLabel_->setGeometry(twips(2880, 300, 1440, 720));
    countLabel_->setTextFormat(Qt::PlainText);
    countLabel_->setText(QStringLiteral("8888"));
    countLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    countLabel_->setFrameStyle(QFrame::Box | QFrame::Plain);
    countLabel_->setLineWidth(1);

    deviceStatus_ =
        caption(this, "deviceStatus", QString(), twips(-60, 4440, 7872, 312), windowFont);
    periodStatus_ =
        caption(this, "periodStatus", QString(), twips(7848, 4440, 1632, 312), windowFont);
    for (QLabel *bar : {deviceStatus_, periodStatus_}) {
        bar->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        bar->setLineWidth(1);
    }

    setTabOrder(boardList_, previousPageButton_);
    setTabOrder(previousPageButton_, nextPageButton_);
    setTabOrder(nextPageButton_, refreshButton_);
    setTabOrder(refreshButton_, clockwiseList_);
    setTabOrder(clockwiseList_, counterClockwiseList_);
    setTabOrder(counterClockwiseList_, identityPanel_);
}

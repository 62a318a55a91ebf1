#include "tandem_panel.h"

#include <array>

#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "segment_display.h"

namespace {

// The 22-byte layout the export reads.
constexpr int kLayoutBytes = 22;
constexpr int kGroupBytes = 9; // up to 8 characters and a terminator
constexpr int kGroup2Offset = 9;
constexpr int kPatternNumberOffset = 18;
constexpr int kRawOffset = 20;
// Where the report carries the digits: each group's four positions rightmost first, then the
// single digit and the two bytes passed through.
constexpr int kGroup1Byte = 6;
constexpr int kGroup2Byte = 10;
constexpr int kSingleDigitByte = 14;
constexpr int kGroupDigits = 4;

const std::array<const char *, 16> kPatternNames = {
    "0",     "1", "2", "3", "4", "5", "6", "7", "8", "9", "minus", "L", "P", "= (three bars)",
    "blank", "r"};

QLineEdit *groupEdit(QWidget *parent, const char *name) {
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setMaxLength(kGroupBytes - 1);
    return edit;
}

} // namespace

TandemPanel::TandemPanel(QWidget *parent) : CommandPanel(parent) {
    auto *form = new QFormLayout;
    group1_ = groupEdit(this, "tandemGroup1");
    group2_ = groupEdit(this, "tandemGroup2");
    form->addRow(tr("Group &1:"), group1_);
    form->addRow(tr("Group &2:"), group2_);
    single_ = new QComboBox(this);
    single_->setObjectName(QStringLiteral("tandemSingle"));
    for (size_t number = 0; number < kPatternNames.size(); ++number)
        single_->addItem(QStringLiteral("%1: %2").arg(number).arg(kPatternNames[number]));
    form->addRow(tr("&Single digit:"), single_);
    raw1_ = addByteBox(form, tr("Byte &20:"), "tandemRaw1");
    raw2_ = addByteBox(form, tr("Byte 2&1:"), "tandemRaw2");
    parameter_ = addByteBox(form, tr("P&arameter:"), "parameter");
    preview_ = new SegmentDisplay(SegmentDisplay::Order::Tandem, kDigits, this);
    preview_->setObjectName(QStringLiteral("tandemPreview"));
    preview_->setGroupEnds({kGroupDigits - 1, 2 * kGroupDigits - 1});
    auto *sendButton = new QPushButton(tr("&Send TANDEM"), this);
    sendButton->setObjectName(QStringLiteral("sendTandem"));

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(preview_, 1);
    layout->addWidget(sendButton, 0, Qt::AlignRight);

    for (QLineEdit *edit : {group1_, group2_}) {
        connect(edit, &QLineEdit::textChanged, this, &TandemPanel::updatePreview);
        connect(edit, &QLineEdit::returnPressed, this, &TandemPanel::send);
    }
    connect(single_, &QComboBox::currentIndexChanged, this, &TandemPanel::updatePreview);
    connect(sendButton, &QPushButton::clicked, this, &TandemPanel::send);
}

void TandemPanel::setPreviewSource(ReportPreview preview) {
    source_ = std::move(preview);
    updatePreview();
}

void TandemPanel::updatePreview() {
    QByteArray leftToRight;
    const QByteArray report = source_ ? source_(command()) : QByteArray();
    if (report.size() > kSingleDigitByte) {
        for (int first : {kGroup1Byte, kGroup2Byte})
            for (int position = kGroupDigits - 1; position >= 0; --position)
                leftToRight.append(report[first + position]);
        leftToRight.append(report[kSingleDigitByte]);
    }
    preview_->setPatterns(leftToRight);
}

void TandemPanel::send() {
    emit commandReady(command());
}

OutputCommand TandemPanel::command() const {
    QByteArray layout(kLayoutBytes, '\0');
    const QByteArray group1 = group1_->text().toLatin1().left(kGroupBytes - 1);
    const QByteArray group2 = group2_->text().toLatin1().left(kGroupBytes - 1);
    layout.replace(0, group1.size(), group1);
    layout.replace(kGroup2Offset, group2.size(), group2);
    layout[kPatternNumberOffset] = static_cast<char>(single_->currentIndex());
    layout[kRawOffset] = static_cast<char>(raw1_->value());
    layout[kRawOffset + 1] = static_cast<char>(raw2_->value());
    const int parameter = parameter_->value();
    OutputCommand c;
    c.name = QStringLiteral("WriteTANDEM");
    c.arguments = tr("\"%1\", \"%2\", pattern %3, bytes %4 %5, parameter %6")
                      .arg(QString::fromLatin1(group1), QString::fromLatin1(group2))
                      .arg(single_->currentIndex())
                      .arg(raw1_->value())
                      .arg(raw2_->value())
                      .arg(parameter);
    c.call = [layout, parameter](PanelinkOutputApi &api, DeviceRecord *d) {
        return api.writeTandem(d, layout.constData(), parameter);
    };
    c.fields = {{0, 1, tr("report ID")},
                {3, 1, tr("parameter")},
                {4, 1, tr("command code")},
                {kGroup1Byte, kGroupDigits, tr("group 1, rightmost first")},
                {kGroup2Byte, kGroupDigits, tr("group 2, rightmost first")},
                {kSingleDigitByte, 1, tr("single digit")},
                {kSingleDigitByte + 1, 2, tr("bytes passed through")}};
    return c;
}

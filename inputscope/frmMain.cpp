// The window's event handlers: start, detection, selection, paging, polling and end.
#include "frmMain.h"

#include <algorithm>

#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "ApiDeclarations.h"
#include "AppDeclarations.h"
#include "functions.h"
#include "indicator_shape.h"
#include "subs.h"
#include "texts.h"

namespace {

// Ticks between two refreshes of the period display: one second at 10 ms a tick.
constexpr int16_t kTicksPerPeriodDisplay = 1000 / 10;
constexpr qint64 kNsPerMs = 1000000;

// Records of the latest detection that the array really holds.
uint32_t DetectedRecords() {
    return static_cast<uint32_t>(std::clamp(DeviceCount, int32_t{0}, int32_t{kDeviceSlots}));
}

// The first input of page `page` (at most 511 * 64 + 1 for any 16-bit input count).
int16_t FirstInputOf(int page) {
    return static_cast<int16_t>(page * kPageInputs + 1);
}

} // namespace

frmMain::frmMain(QWidget *parent) : QWidget(parent) {
    Q_INIT_RESOURCE(inputscope);
    QElapsedTimer clock;
    clock.start();
    MonotonicNs = [clock] { return clock.nsecsElapsed(); };
    BuildControls();
    ConnectHandlers();
}

frmMain::~frmMain() = default;

void frmMain::ConnectHandlers() {
    connect(ComRefresh, &QPushButton::clicked, this, [this] { ComRefresh_Click(); });
    connect(Combo1, &QComboBox::activated, this, [this] { Combo1_Click(); });
    connect(PreviousPage, &QPushButton::clicked, this, [this] { PreviousPage_Click(); });
    connect(NextPage, &QPushButton::clicked, this, [this] { NextPage_Click(); });
    connect(tmrContinuousDataCollect, &QTimer::timeout, this,
            [this] { tmrContinuousDataCollect_Timer(); });
}

void frmMain::Form_Load() {
    show();
    setWindowTitle(Texts::Caption());
    for (QLabel *bar : {StatusBar1, StatusBar2}) {
        QFont font = bar->font();
        font.setBold(true);
        bar->setFont(font);
    }
    Label1->setText(Texts::RefreshHint());
    Label1->resize(Label1->width(), Label1->heightForWidth(Label1->width()));
    int16_t firstInput = 1;
    DrawInputPage(*this, firstInput);
    ComRefresh_Click();
}

void frmMain::Form_Unload() {
    if (unloaded_)
        return;
    unloaded_ = true;
    tmrContinuousDataCollect->stop();
    if (DeviceCount > 0)
        Api::CloseDevices(DetectedRecords(), &Devices[0]);
}

void frmMain::closeEvent(QCloseEvent *event) {
    Form_Unload();
    event->accept();
}

void frmMain::ComRefresh_Click() {
    tmrContinuousDataCollect->stop();
    // The records are about to be filled anew: close the handles the previous detection opened,
    // or every detection would leave one more open handle per board.
    if (DeviceCount > 0)
        Api::CloseDevices(DetectedRecords(), &Devices[0]);
    DeviceCount = 0;
    SetTextBox1(QString());
    Combo1->clear();
    if (ScanDevices(*this)) {
        SetCombo1ListIndex(0);
    } else {
        AppendTextBox1(QStringLiteral(" No compatible input devices detected!") +
                       Texts::kLineBreak);
        AppendTextBox1(Texts::kLineBreak);
        Combo1->clear();
        Combo1->addItem(Texts::kNoDevices);
        SetCombo1ListIndex(0);
        SelectedDevice = 0;
        SetCaption(StatusBar1, QStringLiteral("  No Devices Detected!"));
    }
    Frame1->setTitle(Texts::PageCaption(CurrentPage));
}

void frmMain::SetCombo1ListIndex(int index) {
    Combo1->setCurrentIndex(index);
    Combo1_Click();
}

void frmMain::Combo1_Click() {
    if (Combo1->currentText() == Texts::kNoDevices)
        return;
    // An empty list has no entry to choose (choosing entry 0 would fail).
    if (Combo1->count() == 0)
        return;
    if (Combo1->currentIndex() < 0)
        SetCombo1ListIndex(0);
    tmrContinuousDataCollect->stop();
    tmrContinuousDataCollect->setInterval(10);
    // Entry k of the list is entry k of Devices; an entry without a record is not shown.
    const int index = Combo1->currentIndex();
    if (index < 0 || index >= static_cast<int>(DetectedRecords()))
        return;
    int16_t device = static_cast<int16_t>(index);
    ShowDeviceInfo(*this, device);
    tmrContinuousDataCollect->start();
    PreviousPage_Click();
}

void frmMain::PreviousPage_Click() {
    if (DeviceCount == 0)
        return;
    int page = std::max(CurrentPage - 1, 0);
    if (Devices[SelectedDevice].InputCount / static_cast<double>(kPageInputs) < page)
        page = 0;
    CurrentPage = static_cast<int16_t>(page);
    int16_t firstInput = FirstInputOf(CurrentPage);
    DrawInputPage(*this, firstInput);
    Frame1->setTitle(Texts::PageCaption(CurrentPage));
}

void frmMain::NextPage_Click() {
    if (DeviceCount == 0)
        return;
    if (Devices[SelectedDevice].InputCount > (CurrentPage + 1) * kPageInputs)
        CurrentPage = static_cast<int16_t>(CurrentPage + 1);
    int16_t firstInput = FirstInputOf(CurrentPage);
    DrawInputPage(*this, firstInput);
    Frame1->setTitle(Texts::PageCaption(CurrentPage));
}

void frmMain::tmrContinuousDataCollect_Timer() {
    InputData.fill(0);
    DeviceRecord &record = Devices[SelectedDevice];
    if (record.InputCount == 0) {
        SetCaption(StatusBar2, QStringLiteral(" Freq (ms): "));
        int16_t device = SelectedDevice;
        UpdateIndicators(*this, device);
        return;
    }
    if (tickCounter_ == kTicksPerPeriodDisplay) {
        // The period is known once two reports have arrived.
        const QString period =
            reportsSeen_ >= 2 ? Texts::Decimal(reportIntervalNs_ / kNsPerMs) : QString();
        SetCaption(StatusBar2, QStringLiteral(" Freq (ms): ") + period);
        tickCounter_ = 0;
    }
    ++tickCounter_;
    if (Api::ReadInputData(&record, InputData.data(), 0) != PANELINK_READ_DECODED)
        return;
    const qint64 now = MonotonicNs();
    reportIntervalNs_ = now - lastReportNs_;
    lastReportNs_ = now;
    reportsSeen_ = std::min(reportsSeen_ + 1, 2);
    int16_t device = SelectedDevice;
    UpdateIndicators(*this, device);
}

void frmMain::SetTextBox1(const QString &text) {
    TextBox1->setPlainText(Texts::UpToNul(text));
}

void frmMain::AppendTextBox1(const QString &piece) {
    SetTextBox1(TextBox1->toPlainText() + piece);
}

void frmMain::SetCaption(QLabel *label, const QString &text) {
    label->setText(Texts::UpToNul(text));
}

void frmMain::SetIndicatorNumber(int i, const QString &text) {
    QLabel *label = Label[i];
    label->setText(text);
    // The label sizes itself to its number and stays centred on its indicator.
    const QFontMetrics metrics(label->font());
    const int width = metrics.horizontalAdvance(text) + 2;
    const QRect indicator = Shape[i]->geometry();
    label->setGeometry(indicator.x() + (indicator.width() - width) / 2, label->y(), width,
                       metrics.height());
}

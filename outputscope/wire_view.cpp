#include "wire_view.h"

#include <array>
#include <vector>

#include <QHeaderView>
#include <QLabel>
#include <QSplitter>
#include <QTextBrowser>
#include <QTime>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// Twenty bytes a line with decimal offsets, so that byte n is easy to find, as the legend and
// the library's documentation count them.
constexpr int kBytesPerLine = 20;
constexpr int kHistoryLimit = 500;

// Background colours of the fields, in turn.
const std::array<const char *, 9> kFieldColours = {"#ffe08a", "#b8e0ff", "#c8f0c0",
                                                   "#f4c2e8", "#e0d0ff", "#ffd0b0",
                                                   "#c0f0f0", "#e8e8a0", "#d8d8d8"};

QString duration(qint64 ns) {
    constexpr qint64 kNsPerMs = 1000000;
    if (ns >= kNsPerMs)
        return QStringLiteral("%1 ms").arg(static_cast<double>(ns) / 1e6, 0, 'f', 2);
    return QStringLiteral("%1 µs").arg(static_cast<double>(ns) / 1e3, 0, 'f', 1);
}

} // namespace

WireView::WireView(QWidget *parent) : QWidget(parent) {
    title_ = new QLabel(tr("Nothing sent yet."), this);
    title_->setObjectName(QStringLiteral("wireTitle"));
    title_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    title_->setWordWrap(true);
    outcome_ = new QLabel(this);
    outcome_->setObjectName(QStringLiteral("wireOutcome"));
    bytes_ = new QTextBrowser(this);
    bytes_->setObjectName(QStringLiteral("wireBytes"));
    bytes_->setMinimumHeight(130);
    history_ = new QTreeWidget(this);
    history_->setObjectName(QStringLiteral("wireHistory"));
    history_->setHeaderLabels({tr("Time"), tr("Board"), tr("Call"), tr("Result"), tr("Took")});
    history_->setRootIsDecorated(false);
    history_->setUniformRowHeights(true);
    history_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);

    auto *top = new QWidget(this);
    auto *topLayout = new QVBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    topLayout->addWidget(title_);
    topLayout->addWidget(outcome_);
    topLayout->addWidget(bytes_, 1);
    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(top);
    splitter->addWidget(history_);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter);
}

QString WireView::hexDump(const QByteArray &report) {
    QStringList lines;
    for (qsizetype line = 0; line < report.size(); line += kBytesPerLine)
        lines.append(QStringLiteral("%1  %2")
                         .arg(line, 2, 10, QLatin1Char(' '))
                         .arg(QString::fromLatin1(report.mid(line, kBytesPerLine).toHex(' '))));
    return lines.join(QLatin1Char('\n'));
}

QString WireView::outcome(const OutputCall &call) {
    if (!call.attempted)
        return tr("Not sent: no board to send to (it is gone, or none is selected).");
    if (call.result > 0)
        return tr("%1 returned %2 (the board took the report) in %3")
            .arg(call.name)
            .arg(call.result)
            .arg(duration(call.elapsedNs));
    return tr("%1 FAILED: it returned 0 after %2 (the board did not take the report)")
        .arg(call.name, duration(call.elapsedNs));
}

int WireView::historySize() const {
    return history_->topLevelItemCount();
}

QString WireView::markedDump(const OutputCall &call) const {
    if (call.report.isEmpty())
        return tr("<p>The report's bytes could not be recorded.</p>");
    QString html = QStringLiteral("<p>");
    for (int f = 0; f < call.fields.size(); ++f) {
        const ReportField &field = call.fields[f];
        if (field.length <= 0 || field.first >= call.report.size())
            continue;
        const QString bytes =
            field.length == 1
                ? tr("byte %1").arg(field.first)
                : tr("bytes %1-%2").arg(field.first).arg(field.first + field.length - 1);
        html += QStringLiteral("<span style='background:%1'>&nbsp;%2: %3&nbsp;</span> ")
                    .arg(QLatin1String(kFieldColours[f % kFieldColours.size()]), bytes,
                         field.name.toHtmlEscaped());
    }
    html += QStringLiteral("</p><pre style='font-family: monospace'>");
    // Each byte's field, if any.
    std::vector<int> fieldOf(call.report.size(), -1);
    for (int f = 0; f < call.fields.size(); ++f) {
        const ReportField &field = call.fields[f];
        for (int i = field.first; i < field.first + field.length && i < call.report.size(); ++i)
            if (i >= 0)
                fieldOf[i] = f;
    }
    for (qsizetype i = 0; i < call.report.size(); ++i) {
        if (i % kBytesPerLine == 0)
            html += (i ? QStringLiteral("\n") : QString()) +
                    QStringLiteral("%1  ").arg(i, 2, 10, QLatin1Char(' '));
        const QString byte = QStringLiteral("%1").arg(static_cast<unsigned char>(call.report[i]), 2,
                                                      16, QLatin1Char('0'));
        const int f = fieldOf[i];
        if (f >= 0)
            html += QStringLiteral("<span style='background:%1' title='%2'>%3</span> ")
                        .arg(QLatin1String(kFieldColours[f % kFieldColours.size()]),
                             call.fields[f].name.toHtmlEscaped(), byte);
        else
            html += byte + QLatin1Char(' ');
    }
    return html + QStringLiteral("</pre>");
}

void WireView::show(const OutputCall &call) {
    title_->setText(
        QStringLiteral("%1(%2) to %3")
            .arg(call.name, call.arguments, call.board.isEmpty() ? tr("no board") : call.board));
    outcome_->setText(outcome(call));
    outcome_->setStyleSheet(call.succeeded() ? QString() : QStringLiteral("color: #c00000;"));
    bytes_->setHtml(markedDump(call));
    auto *item =
        new QTreeWidgetItem({QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")),
                             call.board, QStringLiteral("%1(%2)").arg(call.name, call.arguments),
                             call.attempted ? QString::number(call.result) : tr("not sent"),
                             call.attempted ? duration(call.elapsedNs) : QString()});
    item->setToolTip(2, hexDump(call.report));
    if (!call.succeeded())
        for (int column = 0; column < item->columnCount(); ++column)
            item->setForeground(column, QColor(0xC0, 0, 0));
    history_->insertTopLevelItem(0, item);
    while (history_->topLevelItemCount() > kHistoryLimit)
        delete history_->takeTopLevelItem(history_->topLevelItemCount() - 1);
}

void WireView::clearHistory() {
    history_->clear();
}

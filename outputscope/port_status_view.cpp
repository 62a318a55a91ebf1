#include "port_status_view.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

PortStatusView::PortStatusView(QWidget *parent) : QWidget(parent) {
    note_ = new QLabel(this);
    note_->setObjectName(QStringLiteral("portsNote"));
    note_->setWordWrap(true);
    table_ = new QTableWidget(0, 5, this);
    table_->setObjectName(QStringLiteral("portsTable"));
    table_->setHorizontalHeaderLabels(
        {tr("Port"), tr("Present"), tr("Fault"), tr("Type"), tr("Drive with")});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setStretchLastSection(true);
    connect(table_, &QTableWidget::cellActivated, this, [this](int row, int) {
        if (row < 0 || row >= ports_.size() || !ports_[row].active() || !panelForType_)
            return;
        const int panel = panelForType_(ports_[row].type);
        if (panel != NoPanel)
            emit portChosen(ports_[row].port, panel);
    });
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(note_);
    layout->addWidget(table_, 1);
    clear();
}

void PortStatusView::setPanelForType(PanelForType panelForType,
                                     std::function<QString(int)> panelName) {
    panelForType_ = std::move(panelForType);
    panelName_ = std::move(panelName);
}

int PortStatusView::rowCount() const {
    return table_->rowCount();
}

void PortStatusView::clear() {
    ports_.clear();
    table_->setRowCount(0);
    table_->hide();
    note_->setText(tr("No board selected."));
}

void PortStatusView::showQuerying() {
    clear();
    note_->setText(tr("Asking the board for its ports..."));
}

void PortStatusView::showUnavailable() {
    clear();
    note_->setText(tr("This board does not answer status queries. The library does not know "
                      "which commands it understands, and neither does this window: pick what "
                      "to drive from the panels."));
}

void PortStatusView::showPorts(const QList<PortStatus> &ports) {
    ports_ = ports;
    note_->setText(tr("The board's ports as it reports them. Activate an active port (double "
                      "click or Enter) to drive it with the panel that fits its module."));
    table_->setRowCount(static_cast<int>(ports.size()));
    for (int row = 0; row < ports.size(); ++row) {
        const PortStatus &port = ports[row];
        const int panel = panelForType_ ? panelForType_(port.type) : NoPanel;
        QString driveWith;
        if (!port.active())
            driveWith = tr("not usable");
        else if (panel != NoPanel && panelName_)
            driveWith = panelName_(panel);
        else
            driveWith = tr("no panel known for type %1: pick one").arg(port.type);
        const QStringList cells = {QString::number(port.port), port.present ? tr("yes") : tr("no"),
                                   port.fault ? tr("FAULT") : tr("no"), QString::number(port.type),
                                   driveWith};
        for (int column = 0; column < cells.size(); ++column) {
            auto *item = new QTableWidgetItem(cells[column]);
            if (!port.active())
                item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
            table_->setItem(row, column, item);
        }
    }
    table_->show();
}

#include "window_rig.h"

#include <QComboBox>

#include "indicator_grid.h"

PanelinkLibrary &TestLibrary() {
    static PanelinkLibrary library(
        [](const QString &message) { throw FatalError(message.toStdString()); });
    return library;
}

WindowRig::WindowRig(PanelinkApi &api) : session(api), window(session) {}

MainWindow &WindowRig::start() {
    window.start();
    return window;
}

QStringList WindowRig::items(const QComboBox *list) {
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries.append(list->itemText(i));
    return entries;
}

QStringList WindowRig::numbers() {
    const auto *grid = find<IndicatorGrid>("indicators");
    QStringList shown;
    for (int i = 0; i < IndicatorGrid::kCount; ++i)
        shown.append(grid->number(i));
    return shown;
}

QStringList WindowRig::numbersFrom(int first, bool spaced) {
    QStringList numbers;
    for (int i = 0; i < IndicatorGrid::kCount; ++i)
        numbers.append((spaced ? QStringLiteral(" ") : QString()) + QString::number(first + i));
    return numbers;
}

#include "classic_style.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

void useClassicStyle() {
    if (QApplication::style()->name().compare(QStringLiteral("windows"), Qt::CaseInsensitive) == 0)
        return;
    if (QStyle *style = QStyleFactory::create(QStringLiteral("Windows")))
        QApplication::setStyle(style);
}

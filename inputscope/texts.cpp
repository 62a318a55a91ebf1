#include "texts.h"

#include <algorithm>

#include "inputscope_version.h"

namespace Texts {

QString Caption() {
    return QStringLiteral("Inputscope V%1.%2.%3")
        .arg(INPUTSCOPE_VERSION_MAJOR)
        .arg(INPUTSCOPE_VERSION_MINOR)
        .arg(INPUTSCOPE_VERSION_PATCH);
}

QString RefreshHint() {
    return QStringLiteral("Refresh Device List.") +
           QStringLiteral(" Press this button if you have connected") +
           QStringLiteral(" or disconnected an input device.");
}

QString PageCaption(int page) {
    return QStringLiteral("Input Page ") + Decimal(qint64{page} + 1) + QStringLiteral("     ");
}

QString Decimal(qint64 value) {
    return QString::number(value);
}

QString SpacedDecimal(qint64 value) {
    return value < 0 ? Decimal(value) : QLatin1Char(' ') + Decimal(value);
}

QString Hex(uint16_t value) {
    return QString::number(value, 16).toUpper();
}

QString VersionLine(uint16_t versionNumber) {
    const QString hex = Hex(versionNumber);
    if (hex.size() > 2)
        return QStringLiteral("  Firmware Version: ") + hex.left(hex.size() - 2) +
               QLatin1Char('.') + hex.right(2);
    return QStringLiteral("  Version Number: ") + hex;
}

QString Field(const char *field, size_t capacity, qint64 length) {
    const qint64 bytes = std::clamp<qint64>(length, 0, static_cast<qint64>(capacity));
    return QString::fromLatin1(field, static_cast<qsizetype>(bytes));
}

QString UpToNul(const QString &text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

QString ListEntry(const DeviceRecord &record) {
    return Field(record.ProductName, sizeof record.ProductName, record.ProductNameLength) +
           QStringLiteral(" - ") +
           Field(record.SerialNumber, sizeof record.SerialNumber, record.SerialNumberLength);
}

} // namespace Texts

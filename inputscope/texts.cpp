#include "texts.h"

#include <algorithm>
#include <cwchar>

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
    const size_t bytes =
        static_cast<size_t>(std::clamp<qint64>(length, 0, static_cast<qint64>(capacity)));
    // The library writes device texts in the current locale's multibyte encoding: read them
    // back the same way. A NUL byte stays a NUL character; a byte that does not decode is
    // taken as it is.
    QString text;
    std::mbstate_t state{};
    size_t at = 0;
    while (at < bytes) {
        wchar_t wide = 0;
        const size_t used = std::mbrtowc(&wide, field + at, bytes - at, &state);
        if (used == 0) {
            text.append(QChar(u'\0'));
            ++at;
        } else if (used == static_cast<size_t>(-1) || used == static_cast<size_t>(-2)) {
            text.append(QChar(static_cast<uchar>(field[at])));
            state = std::mbstate_t{};
            ++at;
        } else {
            text.append(QString::fromWCharArray(&wide, 1));
            at += used;
        }
    }
    return text;
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

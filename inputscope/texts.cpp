#include "texts.h"

#include <algorithm>
#include <cwchar>

#include "inputscope_version.h"

namespace Texts {
namespace {

// The product name and serial number taken whole, NULs and all, as the panel writes them.
QString wholeField(const char *text, size_t capacity) {
    return field(text, capacity, static_cast<qint64>(capacity));
}

} // namespace

QString windowTitle() {
    return QStringLiteral("Inputscope V%1.%2.%3")
        .arg(INPUTSCOPE_VERSION_MAJOR)
        .arg(INPUTSCOPE_VERSION_MINOR)
        .arg(INPUTSCOPE_VERSION_PATCH);
}

QString refreshHint() {
    return QStringLiteral("Refresh Device List.") +
           QStringLiteral(" Press this button if you have connected") +
           QStringLiteral(" or disconnected an input device.");
}

QString pageTitle(int page) {
    return QStringLiteral("Input Page ") + decimal(qint64{page} + 1) + QStringLiteral("     ");
}

QString periodStatus(qint64 periodMs) {
    return QStringLiteral(" Freq (ms): ") + (periodMs < 0 ? QString() : decimal(periodMs));
}

QString decimal(qint64 value) {
    return QString::number(value);
}

QString spacedDecimal(qint64 value) {
    return value < 0 ? decimal(value) : QLatin1Char(' ') + decimal(value);
}

QString hex(uint16_t value) {
    return QString::number(value, 16).toUpper();
}

QString versionLine(uint16_t versionNumber) {
    const QString digits = hex(versionNumber);
    if (digits.size() > 2)
        return QStringLiteral("  Firmware Version: ") + digits.left(digits.size() - 2) +
               QLatin1Char('.') + digits.right(2);
    return QStringLiteral("  Version Number: ") + digits;
}

QString field(const char *text, size_t capacity, qint64 length) {
    const size_t bytes =
        static_cast<size_t>(std::clamp<qint64>(length, 0, static_cast<qint64>(capacity)));
    // The library writes device texts in the current locale's multibyte encoding: read them
    // back the same way. A NUL byte stays a NUL character; a byte that does not decode is
    // taken as it is.
    QString decoded;
    std::mbstate_t state{};
    size_t at = 0;
    while (at < bytes) {
        wchar_t wide = 0;
        const size_t used = std::mbrtowc(&wide, text + at, bytes - at, &state);
        if (used == 0) {
            decoded.append(QChar(u'\0'));
            ++at;
        } else if (used == static_cast<size_t>(-1) || used == static_cast<size_t>(-2)) {
            decoded.append(QChar(static_cast<uchar>(text[at])));
            state = std::mbstate_t{};
            ++at;
        } else {
            decoded.append(QString::fromWCharArray(&wide, 1));
            at += used;
        }
    }
    return decoded;
}

QString upToNul(const QString &text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

QString listEntry(const DeviceRecord &record) {
    return upToNul(
        field(record.ProductName, sizeof record.ProductName, record.ProductNameLength) +
        QStringLiteral(" - ") +
        field(record.SerialNumber, sizeof record.SerialNumber, record.SerialNumberLength));
}

QString identityPanel(const DeviceRecord &record, int number) {
    // The panel is written piece by piece, and like a text box it keeps its text only up to the
    // first NUL after each piece: the whole fields end their own lines at their padding, and
    // the separate line breaks after the name and before the input count make up for that.
    QString panel;
    const auto append = [&panel](const QString &piece) { panel = upToNul(panel + piece); };
    append(QStringLiteral("Device: ") + spacedDecimal(number) + kLineBreak);
    append(QStringLiteral("Device Type: ") +
           wholeField(record.ProductName, sizeof record.ProductName) + kLineBreak);
    append(kLineBreak);
    append(QStringLiteral("  Vendor ID: ") + hex(record.VendorID) + kLineBreak);
    append(QStringLiteral("  Product ID: ") + hex(record.ProductID) + kLineBreak);
    append(versionLine(record.VersionNumber) + kLineBreak);
    append(QStringLiteral("  Serial Num: ") +
           wholeField(record.SerialNumber, sizeof record.SerialNumber));
    append(kLineBreak + QStringLiteral("  Data Inputs: ") + decimal(record.InputCount));
    append(kLineBreak);
    return panel;
}

QString deviceStatus(const DeviceRecord &record, int number) {
    return upToNul(QStringLiteral(" Device: ") + spacedDecimal(number) +
                   QStringLiteral("   Device Type: ") +
                   wholeField(record.ProductName, sizeof record.ProductName));
}

QString departedStatus(const DeviceRecord &record) {
    return QStringLiteral("  Device Disconnected: ") + listEntry(record);
}

} // namespace Texts

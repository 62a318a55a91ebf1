// The texts the window shows: numbers, record fields, list entries and fixed captions.
#pragma once

#include <cstddef>
#include <cstdint>

#include <QString>

#include <panelink/panelink.h>

namespace Texts {

// The window's line break.
inline const QString kLineBreak = QStringLiteral("\n");
inline const QString kNoDevices = QStringLiteral("No Devices Detected");

// "Inputscope V" and the program's version as major.minor.revision.
QString Caption();
// The hint beside the detect button.
QString RefreshHint();
// "Input Page ", page + 1, five spaces (page counted from 0).
QString PageCaption(int page);

// Decimal digits, a minus sign in front when negative.
QString Decimal(qint64 value);
// Decimal with one space in front of a number that is not negative.
QString SpacedDecimal(qint64 value);
// Upper-case hexadecimal digits without leading zeros ("0" for zero).
QString Hex(uint16_t value);
// The version line of the identity panel (without its line break): a dotted firmware version
// when the hex text has more than two digits, else the hex text as a version number.
QString VersionLine(uint16_t versionNumber);

// `length` bytes of a record text field decoded in the current locale, NULs included. The
// length is limited to 0..capacity.
QString Field(const char *field, size_t capacity, qint64 length);
// What a text control keeps of a text: everything before its first NUL.
QString UpToNul(const QString &text);
// The device list's entry for a record: product name, " - ", serial number, each cut to its
// length field.
QString ListEntry(const DeviceRecord &record);

} // namespace Texts

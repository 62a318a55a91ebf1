// The texts the window shows: numbers, record fields, list entries and fixed captions.
#pragma once

#include <cstddef>
#include <cstdint>

#include <QString>

#include <panelink/panelink.h>

namespace Texts {

// The window's line break.
inline const QString kLineBreak = QStringLiteral("\n");
// The board list's only entry when no board was found.
inline const QString kNoDevices = QStringLiteral("No Devices Detected");
inline const QString kNoDevicesPanel = QStringLiteral(" No compatible input devices detected!\n\n");
inline const QString kNoDevicesStatus = QStringLiteral("  No Devices Detected!");
// Added to the status line while the shown board fails to answer its polls.
inline const QString kNotResponding = QStringLiteral("   - not responding");

// "Inputscope V" and the program's version as major.minor.revision.
QString windowTitle();
// The hint beside the detect button.
QString refreshHint();
// "Input Page ", page + 1, five spaces (page counted from 0).
QString pageTitle(int page);
// " Freq (ms): " and the report period, or nothing after it when the period is not known (< 0).
QString periodStatus(qint64 periodMs);

// Decimal digits, a minus sign in front when negative.
QString decimal(qint64 value);
// Decimal with one space in front of a number that is not negative.
QString spacedDecimal(qint64 value);
// Upper-case hexadecimal digits without leading zeros ("0" for zero).
QString hex(uint16_t value);
// The version line of the identity panel (without its line break): a dotted firmware version
// when the hex text has more than two digits, else the hex text as a version number.
QString versionLine(uint16_t versionNumber);

// `length` bytes of a record text field decoded in the current locale, NULs included. The
// length is limited to 0..capacity.
QString field(const char *field, size_t capacity, qint64 length);
// What a text control keeps of a text: everything before its first NUL.
QString upToNul(const QString &text);
// The board list's entry for a record: product name, " - ", serial number, each cut to its
// length field.
QString listEntry(const DeviceRecord &record);

// The identity panel of board `number` (counted from 1), one item per line.
QString identityPanel(const DeviceRecord &record, int number);
// The status line of board `number`: its number and product name.
QString deviceStatus(const DeviceRecord &record, int number);
// The status line once the shown board has been unplugged: its list entry.
QString departedStatus(const DeviceRecord &record);

} // namespace Texts

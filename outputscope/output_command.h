// One output command as the window sends it: the library call with its arguments bound, and
// the fields of the report it builds, for showing the bytes that went over the wire.
#pragma once

#include <cstdint>
#include <functional>

#include <QByteArray>
#include <QList>
#include <QString>

#include "panelink_api.h"

// A run of report bytes with a meaning, for marking it in the report's hex dump.
struct ReportField {
    int first = 0;
    int length = 1;
    QString name;
};

struct OutputCommand {
    // The export's name and a short account of the arguments, as the history shows them.
    QString name;
    QString arguments;
    // Calls the library with the command's arguments on `device`; returns the call's result.
    std::function<int32_t(PanelinkOutputApi &api, DeviceRecord *device)> call;
    QList<ReportField> fields;
};

// What one command did.
struct OutputCall {
    QString name;
    QString arguments;
    QString board;
    // The report's bytes as the board got them (OutputReportByteLength of them); empty when
    // they could not be recorded.
    QByteArray report;
    QList<ReportField> fields;
    int32_t result = 0;
    qint64 elapsedNs = 0;
    // False when nothing was sent at all (no board, or the board is gone).
    bool attempted = false;

    bool succeeded() const { return attempted && result > 0; }
};

// The fields of the two report styles: addressed commands reach a module on a port and carry a
// 9-byte header before their payload; board commands carry their command code in byte 4.
namespace report_fields {

QList<ReportField> addressed(int payloadLength, const QString &payloadName);
QList<ReportField> board(int payloadFirst, int payloadLength, const QString &payloadName);
// The first `length` bytes of a raw report: the report ID byte and the data after it.
QList<ReportField> raw(int length);

} // namespace report_fields

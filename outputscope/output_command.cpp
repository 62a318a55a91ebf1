#include "output_command.h"

namespace report_fields {

QList<ReportField> addressed(int payloadLength, const QString &payloadName) {
    return {{0, 1, QStringLiteral("report ID")},        {1, 1, QStringLiteral("payload length")},
            {2, 1, QStringLiteral("port within pair")}, {3, 1, QStringLiteral("parameter")},
            {4, 2, QStringLiteral("module command")},   {6, 1, QStringLiteral("command code")},
            {7, 1, QStringLiteral("port pair")},        {9, payloadLength, payloadName}};
}

QList<ReportField> board(int payloadFirst, int payloadLength, const QString &payloadName) {
    return {{0, 1, QStringLiteral("report ID")},
            {3, 1, QStringLiteral("parameter")},
            {4, 1, QStringLiteral("command code")},
            {payloadFirst, payloadLength, payloadName}};
}

QList<ReportField> raw(int length) {
    return {{0, 1, QStringLiteral("report ID")}, {1, length - 1, QStringLiteral("data")}};
}

} // namespace report_fields

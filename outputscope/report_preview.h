// Where the display panels get the report a command would build, to draw what it will light:
// the window hands them its session's recorder (OutputSession::preview). Null: no preview.
#pragma once

#include <functional>

#include <QByteArray>

#include "output_command.h"

using ReportPreview = std::function<QByteArray(const OutputCommand &command)>;

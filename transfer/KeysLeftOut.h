#pragma once
// Names, through the command's front, each key a typed copy of `table` left out.
#include <QString>
#include <vector>

#include "TypedKeys.h"

class CommandFront;

void ReportLeftOut(CommandFront& front, const QString& table, const std::vector<LeftOutKey>& leftOut);

#include "KeysLeftOut.h"

#include "shell/CommandFront.h"

void ReportLeftOut(CommandFront& front, const QString& table, const std::vector<LeftOutKey>& leftOut) {
  for (const LeftOutKey& key : leftOut)
    front.KeyLeftOut(table, QString::fromStdString(key.name), QString::fromStdString(key.expression),
                     QString::fromStdString(key.why));
}

#pragma once
// The two connections a check or a verify reads through, opened as the copy of that direction
// opens them: the source read as the copy reads it (the MySQL rows as the server sends them, the
// FoxPro rows from the file as they are walked), nothing written. Closed with the object.
#include "platform/ado/Connection.h"

struct CommandParts;

struct BothSides {
  BothSides(const CommandParts& parts, bool toFoxPro);
  ~BothSides();
  BothSides(const BothSides&) = delete;
  BothSides& operator=(const BothSides&) = delete;

  ado::Connection foxpro, mysql;
};

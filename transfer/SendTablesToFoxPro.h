#pragma once
// "Send Table(s) to FoxPro": copies every table selected in the MySQL list, structure and every
// row, into the FoxPro source (the database container's folder, where each new table joins the
// container, or the free table folder), walking the list from its last entry to its first.
// A table of the source that the name reaches (listed or not) is overwritten only after the
// user says Yes. Each column becomes a memo (binary ones byte for byte), each row one INSERT;
// with CommandParts::typed each column gets its typed FoxPro type instead (TypedColumns.h), and
// the table's keys become tags once the rows are in (TypedKeys.h).
#include <QString>

struct CommandParts;
namespace ado {
class Connection;
}

void SendTablesToFoxPro(const CommandParts& parts);

// The table of the FoxPro source that a statement naming `name` reaches, as the source lists it
// (the container's my_table for "my table", the file ..%2Fx.DBF for "../x"); empty when there
// is none. The copy's CREATE replaces exactly this table.
QString FoxProTableNamed(ado::Connection& foxpro, const QString& name);

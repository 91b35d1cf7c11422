#pragma once
// Small routines the windows and the transfers share: centring a window, defaults for database
// nulls, and quiet file tests and deletes. The table lists are searched through shell/TableNames.h.
// None keeps state or shows a message.
#include <QString>

#include "platform/ado/Variant.h"

class QWidget;

// Moves the window so that its outer frame is centred on its whole screen (not the work area).
// A window larger than the screen gets a negative position.
void CenterForm(QWidget* window);

// The default when the value is the database null; otherwise the value itself.
ado::Variant NullToDefault(const ado::Variant& value, const ado::Variant& defaultValue);

// Whether the file system can tell the named file's modification time. Never throws; no wildcards.
bool FileExists(const QString& path);

// The leading folder part of a path, up to and including its last separator; the empty text
// when there is none. Both "/" and "\" count as separators: Tavrel's own paths use "/", and a
// path the user typed may use "\".
QString DirectoryOf(const QString& path);

// Deletes exactly the named file; any failure is ignored. Never removes a folder.
void DeleteFileQuietly(const QString& path);

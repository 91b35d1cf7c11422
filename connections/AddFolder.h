#pragma once
#include <QString>

class QWidget;

// Shows the folder chooser (folders only) with the prompt above it. The chosen folder's full
// path, without a trailing separator unless it is the root; the empty text when the user
// cancels or the choice is not a folder of the file system.
QString BrowseForFolder(QWidget* owner, const QString& prompt);

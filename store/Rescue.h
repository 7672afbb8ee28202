#pragma once

#include <QDateTime>
#include <QString>

// When the program has to end without a window (a logout, kill) and cannot save the book to its own file, the
// unsaved book goes to a rescue copy: $XDG_DATA_HOME/Keyfold/rescue/<name>-<date-time>.kf1, in the book format,
// readable by its owner only.
namespace store {

// A path for a new rescue copy of the book named bookName (its file's path, or empty for a book without a file),
// taken at when. Creates the folder, owner-only, if need be; an empty string when it cannot be created.
QString newRescuePath(const QString& bookName, const QDateTime& when);

} // namespace store

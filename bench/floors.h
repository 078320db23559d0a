#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The reading and writing passes the operations make, done alone on the
// same file in the same run: an operation cannot beat the pass it makes,
// so its ratio to it says how much the operation adds of its own.
namespace Floors {

// Walks every line of the file with the diary's line reader, as the
// readers of bodies do; returns the number of lines so the walk cannot be
// optimised away.
qint64 readAndWalk(const QString& path);

// Finds the header lines of the file with the diary's line reader, the
// lines between them passed over, as loading a day and the scans do;
// returns the number of headers.
qint64 readAndFindHeaders(const QString& path);

// Writes the bytes to a new file in the folder, syncs it and removes it.
void writeAndSync(const QString& folder, const QByteArray& bytes);

// Appends the bytes to a file in the folder that grows with every call,
// and syncs its data, as a record is added to the history.
void appendAndSync(const QString& folder, QByteArrayView bytes);

} // namespace Floors

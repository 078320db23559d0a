#pragma once

#include <QByteArray>
#include <QString>

// The fastest the machine does the work an operation cannot avoid, measured
// on the same file in the same run, so that a ratio to it says how much the
// operation adds of its own.
namespace Floors {

// Reads the file in large blocks and walks its lines with memchr; returns
// the number of lines so the walk cannot be optimised away.
qint64 readAndWalk(const QString& path);

// Reads the file in large blocks and finds its header lines with memchr
// for '*', looking only at the stars that stand at a line start; returns
// the number of headers. What a scan of the headers cannot do without.
qint64 readAndFindHeaders(const QString& path);

// Writes the bytes to a new file in the folder, syncs it and removes it.
void writeAndSync(const QString& folder, const QByteArray& bytes);

} // namespace Floors

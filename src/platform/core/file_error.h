#pragma once

#include <QString>

// A file that could not be read or written, and why, in words for the user.
struct FileError
{
    QString file;   // full path of the file concerned
    QString reason; // the system's reason, such as "Permission denied"

    QString message() const { return QStringLiteral("%1\n\n%2").arg(file, reason); }
};

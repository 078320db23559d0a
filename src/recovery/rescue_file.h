#pragma once

#include <QString>
#include <QStringList>

class DateSettings;
class QByteArray;
class QDate;
class QDateTime;
struct FileError;

// The start of every rescue file's name.
inline constexpr const char* rescueNamePrefix = "ojwrescue-";

// Where the pad's text goes when the program must close and cannot save it:
// a new private file "ojwrescue-<time>.txt" in the first of the folders that
// takes it, holding the text as a one-entry entry file. Says on standard
// error why and where, or which folders took nothing; never the text.
// Returns the rescue file's path, or an empty string.
QString writeRescueFile(const QStringList& folders, const DateSettings& dates, const QDate& day,
                        const QString& text, const FileError& cause);

// A new private rescue file in the folder, named for the moment `when`,
// holding the bytes; never over a file or a link already there. Returns 0
// and the new file's path, or the errno of the failure.
int writeDatedRescueFile(const QString& folder, const QByteArray& bytes, const QDateTime& when, QString& path);

// The folders a rescue file may go to, in order: the application folder,
// the home folder, and the user's private runtime folder.
QStringList rescueFolders(const QString& applicationFolder);

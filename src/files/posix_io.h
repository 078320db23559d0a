#pragma once

#include "platform/core/file_error.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cerrno>
#include <optional>
#include <utility>
#include <sys/types.h>

// Small helpers over the POSIX calls the program makes: an owning file
// descriptor and the conversion of a system error into words for the user.
namespace PosixIo {

// Owns one file descriptor and closes it when it goes out of scope. Code
// that must know whether the close succeeded (a file just written) calls
// close() itself and checks the result.
class UniqueFd
{
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    UniqueFd(UniqueFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other) {
            close();
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }
    ~UniqueFd() { close(); }

    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }

    // Closes the descriptor; returns 0 or the errno of a failed close.
    int close();

private:
    int m_fd = -1;
};

// fsync, retried when interrupted; returns 0 or the errno of the failure.
int sync(int fd);

// Syncs an open folder so that the names just created or renamed in it
// survive a crash. Some file systems cannot sync a folder at all (EINVAL);
// there a rename is as durable as they make it, and that is no failure.
int syncFolder(int folderFd);

// The path of a file in a folder, for messages.
QString pathIn(const QString& folder, const QString& name);

// The path in the file system's encoding, for the system calls.
QByteArray nativePath(const QString& path);

// The path with the system's reason for an errno value, in words ("Is a
// directory").
FileError error(const QString& path, int errnum);

// Opens an existing file for one sequential read: a regular file, or a link
// to one. A missing file leaves fd at -1 and is no failure. A folder, a FIFO
// or a device of that name, or a link to nothing, is: nothing of the
// program's could be read from it, and writing there would lose what it is.
// O_NONBLOCK keeps a FIFO of that name from hanging the program.
std::optional<FileError> openForReading(const QString& path, UniqueFd& fd);
std::optional<FileError> openForReading(int folderFd, const QByteArray& name,
                                        const QString& path, UniqueFd& fd);

// Gives a file a new name in the same folder unless that name is taken
// (EEXIST then), also on file systems without such a rename. Returns 0 or
// the errno of the failure; on failure the file keeps its old name only.
int renameNoReplace(int folderFd, const QByteArray& from, const QByteArray& to);

// How many names takeDatedName() tries for one moment.
constexpr int datedNameTries = 100;

// Gives something a name of its own for the moment `when`:
// "<prefix>-<yyyyMMdd-HHmmss>.txt", then "-2", "-3" and so on before
// ".txt" while take(name) returns EEXIST. Returns take's result for the
// last name tried (0 once a name is taken), which `name` then holds.
template <typename Take>
int takeDatedName(const QString& prefix, const QDateTime& when, Take&& take, QString& name)
{
    const QString stem = prefix + u'-' + when.toString(u"yyyyMMdd-HHmmss");
    int result = EEXIST;
    for (int n = 1; n <= datedNameTries && result == EEXIST; ++n) {
        name = n == 1 ? stem + QLatin1String(".txt") : QStringLiteral("%1-%2.txt").arg(stem).arg(n);
        result = take(name);
    }
    return result;
}

// The reason given for a file of the program's name that is not a regular
// file (a FIFO, a socket, a device), for a link where the program follows
// none, and for a link that leads nowhere.
QString notRegularReason();
QString linkReason();
QString danglingLinkReason();

// The system calls through which the program reads and writes its files,
// each able to fail on purpose in a test (below).
ssize_t read(int fd, void* buffer, size_t size);
ssize_t write(int fd, const void* buffer, size_t size);

// Test seam: makes one kind of call fail, so that a test can show that every
// failure of a save or a clear leaves the files as they were. Faults are
// process-wide, one armed at a time for each kind of call; tests arm them
// while no other thread saves.
enum class Call {
    Lock,       // taking a kernel lock
    Open,       // opening the entry file for reading
    Read,       // reading it
    Create,     // creating the temporary file
    Write,      // writing it; errnum 0 makes the write short instead
    Sync,       // syncing it
    Close,      // closing it
    Rename,     // renaming it over the entry file, or to a name not taken
    Unlink,     // dropping the old name after a link took the new one
    SyncFolder, // syncing the folder after the rename
    Append,     // adding a record at the end of a file, and syncing it
    Remove,     // removing a file the program no longer needs; the last kind
};

struct Fault
{
    Call call;
    int errnum = 5; // EIO
    int skip = 0;   // calls of that kind that go through first
    int times = 1;  // failures before the fault is spent; -1 for ever
};

void injectFault(const Fault& fault);
void clearFaults();

// 0, or the errno with which this call must fail (0 with failed set for a
// short write).
int injected(Call call, bool* fired = nullptr);

// Test seam: called with every call above before it is made, on the thread
// that makes it, so that a test can hold one up as a slow disk would.
void setCallHook(void (*hook)(Call));

} // namespace PosixIo

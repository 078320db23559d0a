#pragma once

#include "platform/core/file_error.h"

#include <QByteArray>
#include <QString>

// Small helpers over the POSIX calls the entry store makes: an owning file
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
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    ~UniqueFd();

    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }
    int release();

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

// The system's reason for an errno value, in words ("Is a directory").
QString reason(int errnum);

FileError error(const QString& path, int errnum);

} // namespace PosixIo

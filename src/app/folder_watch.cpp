#include "app/folder_watch.h"

#include "files/posix_io.h"

#include <sys/stat.h>

FolderWatch::FolderWatch(const QString& folder, const QString& entryPath, QObject* parent)
    : QObject(parent), m_folder(folder), m_entryPath(entryPath)
{
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(quietMs);
    connect(&m_quiet, &QTimer::timeout, this, &FolderWatch::settled);
    const auto wake = [this] { m_quiet.start(); };
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, wake);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, wake);
}

void FolderWatch::start()
{
    m_seen = signature();
    m_watcher.addPath(m_folder);
    m_watcher.addPath(m_entryPath);
}

void FolderWatch::ownWrite()
{
    m_seen = signature();
}

// Which file is at the entry file's name, and what it holds: a rename over
// it or a write into it changes this.
QString FolderWatch::signature() const
{
    struct stat status;
    if (::stat(PosixIo::nativePath(m_entryPath).constData(), &status) != 0)
        return QString();
    return QStringLiteral("%1 %2 %3.%4 %5.%6")
        .arg(status.st_ino)
        .arg(status.st_size)
        .arg(status.st_mtim.tv_sec)
        .arg(status.st_mtim.tv_nsec)
        .arg(status.st_ctim.tv_sec)
        .arg(status.st_ctim.tv_nsec);
}

void FolderWatch::settled()
{
    // A file replaced by a rename is no longer the one watched.
    if (!m_watcher.files().contains(m_entryPath))
        m_watcher.addPath(m_entryPath);
    const QString now = signature();
    emit changed(now != std::exchange(m_seen, now));
}

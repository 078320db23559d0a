#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

// Watches the application folder for what other programs do to it (a sync
// service bringing another machine's diary, or a conflict copy of it), and
// tells once the folder has been quiet a moment. The program's own writes
// of the entry file, noted through ownWrite(), do not count as the diary
// changing.
class FolderWatch final : public QObject
{
    Q_OBJECT

public:
    static constexpr int quietMs = 300;

    FolderWatch(const QString& folder, const QString& entryPath, QObject* parent = nullptr);

    void start();
    // The entry file as it is now is the program's own doing.
    void ownWrite();

signals:
    // diaryChanged: the entry file is not the one the program last wrote or
    // saw.
    void changed(bool diaryChanged);

private:
    QString signature() const;
    void settled();

    QString m_folder;
    QString m_entryPath;
    QString m_seen;
    QFileSystemWatcher m_watcher;
    QTimer m_quiet;
};

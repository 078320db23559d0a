#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QString>

#include <optional>

// One Syncthing instance of the two-machine test: its own home, its REST
// address and sync address on the loopback, everything that would reach
// beyond this machine switched off, and one shared folder. Talks to the
// instance through its REST API with the API key it was given.
class SyncthingPeer
{
public:
    static constexpr const char* folderId = "diary";

    // The binary, or empty when it is not installed.
    static QString binary();

    // Makes the home (keys and certificate) and picks free ports; false with
    // a message in error() when that fails.
    bool prepare(const QString& home, const QString& folder, const QString& name);
    // Writes the configuration that shares the folder with the other peer,
    // then starts the instance and waits for its REST API.
    bool start(const SyncthingPeer& other);
    void stop();
    ~SyncthingPeer() { stop(); }

    const QString& deviceId() const { return m_deviceId; }
    const QString& folder() const { return m_folder; }
    const QString& error() const { return m_error; }
    // The end of the instance's log, for a failure's message.
    QString logTail() const;

    // Cuts or restores the link to the other peer, from this side.
    bool pause(const SyncthingPeer& other);
    bool resume(const SyncthingPeer& other);
    // Whether this side sees a live connection to the other.
    bool connectedTo(const SyncthingPeer& other);
    // Scans the folder now; returns once the scan is done.
    bool scan();

private:
    QByteArray configXml(const SyncthingPeer& other) const;
    // One REST call; the reply's body, or nullopt with error() set.
    std::optional<QByteArray> call(const QByteArray& verb, const QString& path);

    QString m_home;
    QString m_folder;
    QString m_name;
    QString m_deviceId;
    QString m_apiKey;
    quint16 m_guiPort = 0;
    quint16 m_syncPort = 0;
    QString m_error;
    QProcess m_process;
    QNetworkAccessManager m_network;
};

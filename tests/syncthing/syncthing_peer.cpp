#include "syncthing_peer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QJsonObject>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStandardPaths>
#include <QTcpServer>
#include <QThread>
#include <QTimer>
#include <QUuid>

namespace {

// A port nothing listens on now. Another process may take it before the
// instance does; the instance then fails to start and says so.
quint16 freePort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        return 0;
    return server.serverPort();
}

QString logPath(const QString& home)
{
    return home + QStringLiteral("/syncthing.log");
}

} // namespace

QString SyncthingPeer::binary()
{
    return QStandardPaths::findExecutable(QStringLiteral("syncthing"));
}

bool SyncthingPeer::prepare(const QString& home, const QString& folder, const QString& name)
{
    m_home = home;
    m_folder = folder;
    m_name = name;
    m_apiKey = QUuid::createUuid().toString(QUuid::Id128);
    m_guiPort = freePort();
    m_syncPort = freePort();
    if (!m_guiPort || !m_syncPort || m_guiPort == m_syncPort) {
        m_error = QStringLiteral("no free port on 127.0.0.1");
        return false;
    }
    // Syncthing takes a folder for its own only with this marker in it.
    if (!QDir().mkpath(folder + QStringLiteral("/.stfolder"))) {
        m_error = QStringLiteral("cannot make ") + folder;
        return false;
    }
    QProcess generate;
    generate.start(binary(), {QStringLiteral("generate"), QStringLiteral("--home=") + home,
                              QStringLiteral("--no-default-folder"), QStringLiteral("--skip-port-probing")});
    generate.waitForFinished(60000);
    QProcess id;
    id.start(binary(), {QStringLiteral("serve"), QStringLiteral("--home=") + home, QStringLiteral("--device-id")});
    id.waitForFinished(60000);
    m_deviceId = QString::fromUtf8(id.readAllStandardOutput()).trimmed();
    if (generate.exitCode() != 0 || id.exitCode() != 0 || m_deviceId.size() < 50) {
        m_error = QStringLiteral("syncthing generate failed: ") +
                  QString::fromLocal8Bit(generate.readAllStandardError() + id.readAllStandardError());
        return false;
    }
    return true;
}

QByteArray SyncthingPeer::configXml(const SyncthingPeer& other) const
{
    // Both devices are known and trust each other's folder from the start;
    // each is reached at its loopback address only. A short rescan and the
    // watcher make a change travel within seconds.
    const auto device = [](const SyncthingPeer& peer) {
        return QStringLiteral("  <device id=\"%1\" name=\"%2\" compression=\"metadata\" introducer=\"false\">\n"
                              "    <address>tcp://127.0.0.1:%3</address>\n"
                              "    <paused>false</paused>\n"
                              "  </device>\n")
            .arg(peer.m_deviceId, peer.m_name)
            .arg(peer.m_syncPort);
    };
    QString xml = QStringLiteral("<configuration version=\"36\">\n");
    xml += QStringLiteral("  <folder id=\"%1\" label=\"%1\" path=\"%2\" type=\"sendreceive\" rescanIntervalS=\"2\""
                          " fsWatcherEnabled=\"true\" fsWatcherDelayS=\"1\" ignorePerms=\"false\">\n"
                          "    <filesystemType>basic</filesystemType>\n"
                          "    <device id=\"%3\"></device>\n"
                          "    <device id=\"%4\"></device>\n"
                          "    <minDiskFree unit=\"%\">0</minDiskFree>\n"
                          "    <maxConflicts>10</maxConflicts>\n"
                          "    <paused>false</paused>\n"
                          "  </folder>\n")
               .arg(QString::fromLatin1(folderId), m_folder.toHtmlEscaped(), m_deviceId, other.m_deviceId);
    xml += device(*this) + device(other);
    xml += QStringLiteral("  <gui enabled=\"true\" tls=\"false\">\n"
                          "    <address>127.0.0.1:%1</address>\n"
                          "    <apikey>%2</apikey>\n"
                          "    <theme>default</theme>\n"
                          "  </gui>\n")
               .arg(m_guiPort)
               .arg(m_apiKey);
    xml += QStringLiteral("  <options>\n"
                          "    <listenAddress>tcp://127.0.0.1:%1</listenAddress>\n"
                          "    <globalAnnounceEnabled>false</globalAnnounceEnabled>\n"
                          "    <localAnnounceEnabled>false</localAnnounceEnabled>\n"
                          "    <relaysEnabled>false</relaysEnabled>\n"
                          "    <natEnabled>false</natEnabled>\n"
                          "    <urAccepted>-1</urAccepted>\n"
                          "    <autoUpgradeIntervalH>0</autoUpgradeIntervalH>\n"
                          "    <crashReportingEnabled>false</crashReportingEnabled>\n"
                          "    <startBrowser>false</startBrowser>\n"
                          "    <reconnectionIntervalS>1</reconnectionIntervalS>\n"
                          "    <minHomeDiskFree unit=\"%\">0</minHomeDiskFree>\n"
                          "  </options>\n"
                          "</configuration>\n")
               .arg(m_syncPort);
    return xml.toUtf8();
}

bool SyncthingPeer::start(const SyncthingPeer& other)
{
    QFile config(m_home + QStringLiteral("/config.xml"));
    if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate) || config.write(configXml(other)) < 0) {
        m_error = QStringLiteral("cannot write ") + config.fileName();
        return false;
    }
    config.close();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("STNOUPGRADE"), QStringLiteral("1"));
    environment.insert(QStringLiteral("STNORESTART"), QStringLiteral("1"));
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setStandardOutputFile(logPath(m_home));
    m_process.start(binary(), {QStringLiteral("serve"), QStringLiteral("--home=") + m_home,
                               QStringLiteral("--no-browser"), QStringLiteral("--no-restart"),
                               QStringLiteral("--no-upgrade")});
    if (!m_process.waitForStarted(10000)) {
        m_error = QStringLiteral("syncthing did not start: ") + m_process.errorString();
        return false;
    }
    const QDeadlineTimer deadline(60000);
    while (!deadline.hasExpired()) {
        if (m_process.state() != QProcess::Running) {
            m_error = QStringLiteral("syncthing ended at start:\n") + logTail();
            return false;
        }
        if (call("GET", QStringLiteral("/rest/system/ping")))
            return true;
        QThread::msleep(100);
    }
    m_error = QStringLiteral("syncthing's REST API did not answer within a minute:\n") + logTail();
    return false;
}

void SyncthingPeer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
}

QString SyncthingPeer::logTail() const
{
    QFile log(logPath(m_home));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    const QByteArray all = log.readAll();
    return QString::fromUtf8(all.right(4000));
}

std::optional<QByteArray> SyncthingPeer::call(const QByteArray& verb, const QString& path)
{
    QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_guiPort).arg(path)));
    request.setRawHeader("X-API-Key", m_apiKey.toLatin1());
    request.setTransferTimeout(60000);
    QNetworkReply* reply = m_network.sendCustomRequest(request, verb);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    reply->deleteLater();
    const QByteArray body = reply->readAll();
    if (reply->error() != QNetworkReply::NoError) {
        m_error = QStringLiteral("%1 %2: %3 %4")
                      .arg(QString::fromLatin1(verb), path, reply->errorString(), QString::fromUtf8(body));
        return std::nullopt;
    }
    return body;
}

bool SyncthingPeer::pause(const SyncthingPeer& other)
{
    return call("POST", QStringLiteral("/rest/system/pause?device=") + other.m_deviceId).has_value();
}

bool SyncthingPeer::resume(const SyncthingPeer& other)
{
    return call("POST", QStringLiteral("/rest/system/resume?device=") + other.m_deviceId).has_value();
}

bool SyncthingPeer::connectedTo(const SyncthingPeer& other)
{
    const auto body = call("GET", QStringLiteral("/rest/system/connections"));
    if (!body)
        return false;
    const QJsonObject connections = QJsonDocument::fromJson(*body).object().value(QStringLiteral("connections")).toObject();
    return connections.value(other.m_deviceId).toObject().value(QStringLiteral("connected")).toBool();
}

bool SyncthingPeer::scan()
{
    return call("POST", QStringLiteral("/rest/db/scan?folder=") + QString::fromLatin1(folderId)).has_value();
}

#include "platform/widgets/chm_file.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <chm_lib.h>

#include <cerrno>
#include <csignal>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A help page is small; anything claiming more than the file can hold is
// damage, not a page.
constexpr LONGUINT64 largestObject = 64u * 1024 * 1024;

int readObject(chmFile* file, chmUnitInfo* unit, void*)
{
    if (unit->length == 0 || unit->length > largestObject)
        return CHM_ENUMERATOR_CONTINUE;
    const auto bytes = std::make_unique_for_overwrite<unsigned char[]>(size_t(unit->length));
    chm_retrieve_object(file, unit, bytes.get(), 0, LONGINT64(unit->length));
    return CHM_ENUMERATOR_CONTINUE;
}

// chmlib believes what a help file says about itself: a damaged one can make
// it divide by zero or read past its buffers, which would end the program
// with the user's text in it. So a short-lived copy of the process opens the
// file first and reads every object in it; only a file that copy got through
// whole, in a few seconds, is opened here. The copy touches nothing but
// chmlib and ends with _exit.
bool readsWholeInAChild(const QByteArray& path)
{
    const pid_t child = ::fork();
    if (child < 0)
        return true; // no copy to be had: chmlib's own checks must do
    if (child == 0) {
        if (chmFile* file = chm_open(path.constData())) {
            chm_enumerate(file, CHM_ENUMERATE_ALL, readObject, nullptr);
            chm_close(file);
        }
        ::_exit(0);
    }
    int status = 0;
    for (int waitedMs = 0;; waitedMs += 5) {
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child)
            break;
        if (done < 0 && errno != EINTR)
            return false;
        if (waitedMs >= 5000) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return false;
        }
        ::usleep(5000);
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

ChmFile::~ChmFile()
{
    if (m_file)
        chm_close(m_file);
}

std::optional<QString> ChmFile::open(const QString& fileName)
{
    const QFileInfo info(fileName);
    if (!info.exists())
        return QStringLiteral("The help file %1 is missing.").arg(fileName);
    if (!info.isFile() || !info.isReadable())
        return QStringLiteral("The help file %1 cannot be read.").arg(fileName);
    const QByteArray native = QFile::encodeName(fileName);
    if (!readsWholeInAChild(native))
        return QStringLiteral("The help file %1 is damaged.").arg(fileName);
    m_file = chm_open(native.constData());
    if (!m_file)
        return QStringLiteral("The help file %1 is damaged or is not a compiled help file.").arg(fileName);
    readSystemFile();
    if (m_defaultTopic.isEmpty() || !read(m_defaultTopic))
        return QStringLiteral("The help file %1 is damaged: its first page is missing.").arg(fileName);
    return std::nullopt;
}

std::optional<QByteArray> ChmFile::read(const QString& path) const
{
    if (!m_file)
        return std::nullopt;
    chmUnitInfo unit{};
    const QByteArray name = path.toUtf8();
    if (chm_resolve_object(m_file, name.constData(), &unit) != CHM_RESOLVE_SUCCESS)
        return std::nullopt;
    if (unit.length > largestObject)
        return std::nullopt;
    QByteArray bytes(qsizetype(unit.length), Qt::Uninitialized);
    if (unit.length > 0
        && chm_retrieve_object(m_file, &unit, reinterpret_cast<unsigned char*>(bytes.data()), 0,
                               LONGINT64(unit.length))
               != LONGINT64(unit.length))
        return std::nullopt;
    return bytes;
}

void ChmFile::readSystemFile()
{
    // "#SYSTEM": a version word, then records of a 16-bit code, a 16-bit
    // length and that many bytes. Code 2 is the default topic, 3 the title.
    const auto system = read(QStringLiteral("/#SYSTEM"));
    if (!system)
        return;
    const QByteArray& bytes = *system;
    qsizetype at = 4;
    while (at + 4 <= bytes.size()) {
        const quint16 code = qFromLittleEndian<quint16>(bytes.constData() + at);
        const quint16 length = qFromLittleEndian<quint16>(bytes.constData() + at + 2);
        at += 4;
        if (at + length > bytes.size())
            break;
        // The text ends at its first NUL.
        const QByteArray text = QByteArray(bytes.constData() + at, length).split('\0').first();
        if (code == 2)
            m_defaultTopic = text.startsWith('/') ? QString::fromLatin1(text)
                                                  : QLatin1Char('/') + QString::fromLatin1(text);
        else if (code == 3)
            m_title = QString::fromLatin1(text);
        at += length;
    }
}

#include "platform/widgets/chm_file.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <chm_lib.h>

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
    m_file = chm_open(QFile::encodeName(fileName).constData());
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

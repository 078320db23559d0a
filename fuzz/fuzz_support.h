#pragma once

// What the fuzz targets share: taking values from the fuzzer's bytes, a few
// regional settings to read and write dates with, a scratch folder for the
// files, and a plain model of how a file splits into lines.

#include "platform/core/date_settings.h"
#include "store/entry_lines.h"
#include "files/text_codec.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QDir>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/mman.h>
#include <unistd.h>

// A check failed: say what and stop, so libFuzzer keeps the input.
#define FUZZ_CHECK(condition, what)                                                       \
    do {                                                                                  \
        if (!(condition)) {                                                               \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, what); \
            std::abort();                                                                 \
        }                                                                                 \
    } while (false)

// Two byte strings that must be equal: on a difference, both are shown.
#define FUZZ_CHECK_BYTES(actual, expected, what)                                           \
    do {                                                                                   \
        const QByteArray fuzzActual = (actual), fuzzExpected = (expected);                 \
        if (fuzzActual != fuzzExpected) {                                                  \
            std::fprintf(stderr, "actual:   %s\nexpected: %s\n",                            \
                         fuzzActual.toPercentEncoding(" ").constData(),                    \
                         fuzzExpected.toPercentEncoding(" ").constData());                 \
            FUZZ_CHECK(false, what);                                                       \
        }                                                                                  \
    } while (false)

// The fuzzer's bytes, taken from the front.
class FuzzInput
{
public:
    FuzzInput(const uint8_t* data, size_t size)
        : m_bytes(reinterpret_cast<const char*>(data), qsizetype(size))
    {
    }

    uint8_t byte()
    {
        if (m_bytes.isEmpty())
            return 0;
        const auto b = uint8_t(m_bytes.front());
        m_bytes = m_bytes.sliced(1);
        return b;
    }

    // Up to n bytes; fewer at the end of the input.
    QByteArrayView bytes(qsizetype n)
    {
        n = std::min(n, m_bytes.size());
        const QByteArrayView taken = m_bytes.first(n);
        m_bytes = m_bytes.sliced(n);
        return taken;
    }

    // Bytes up to the next NUL (which is consumed), or all that is left.
    QByteArrayView untilNul()
    {
        const qsizetype at = m_bytes.indexOf('\0');
        if (at < 0)
            return rest();
        const QByteArrayView taken = m_bytes.first(at);
        m_bytes = m_bytes.sliced(at + 1);
        return taken;
    }

    QByteArrayView rest()
    {
        const QByteArrayView taken = m_bytes;
        m_bytes = QByteArrayView();
        return taken;
    }

private:
    QByteArrayView m_bytes;
};

// Regional settings with different date orders, separators and scripts.
inline const DateSettings& fuzzDates(uint8_t choice)
{
    static const std::array<std::unique_ptr<DateSettings>, 6> settings = {
        std::make_unique<DateSettings>(QLocale(QLocale::English, QLocale::UnitedKingdom)),
        std::make_unique<DateSettings>(QLocale(QLocale::English, QLocale::UnitedStates)),
        std::make_unique<DateSettings>(QLocale(QLocale::German, QLocale::Germany)),
        std::make_unique<DateSettings>(QLocale(QLocale::Japanese, QLocale::Japan)),
        std::make_unique<DateSettings>(QLocale(QLocale::Spanish, QLocale::Spain)),
        std::make_unique<DateSettings>(QLocale(QLocale::Hungarian, QLocale::Hungary)),
    };
    return *settings[choice % settings.size()];
}

// A folder for the files of one fuzzing process; removed at its end.
inline QString scratchFolder()
{
    static QTemporaryDir folder;
    if (!folder.isValid())
        std::abort();
    return folder.path();
}

inline void writeFile(const QString& path, QByteArrayView bytes)
{
    const int fd = ::open(path.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    FUZZ_CHECK(fd >= 0, "scratch file opens");
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, size_t(bytes.size() - done));
        FUZZ_CHECK(n > 0, "scratch file written");
        done += n;
    }
    ::close(fd);
}

// The bytes in a file held in memory, open for reading from its start.
inline int memoryFile(QByteArrayView bytes)
{
    const int fd = ::memfd_create("lines", MFD_CLOEXEC);
    FUZZ_CHECK(fd >= 0, "memory file");
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, size_t(bytes.size() - done));
        FUZZ_CHECK(n > 0, "memory file written");
        done += n;
    }
    ::lseek(fd, 0, SEEK_SET);
    return fd;
}

inline QByteArray readFile(const QString& path)
{
    QByteArray bytes;
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDONLY);
    if (fd < 0)
        return bytes;
    char buffer[65536];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, n);
    ::close(fd);
    return bytes;
}

inline constexpr QByteArrayView byteOrderMark("\xEF\xBB\xBF");

// The lines of a text as the readers see them: a line ends at CR LF or at
// a lone CR, a lone LF is part of the line, and the last line may lack its
// end. Written the plain way, one byte at a time.
inline QList<QByteArray> splitAtCr(QByteArrayView bytes)
{
    QList<QByteArray> lines;
    QByteArray line;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r') {
            line += bytes[i];
            continue;
        }
        lines.append(line);
        line.clear();
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
    }
    if (!line.isEmpty())
        lines.append(line);
    return lines;
}

// The lines of a whole file: a byte-order mark at its start is no part of
// the first line, and a file without any CR ends its lines at LF.
inline QList<QByteArray> splitLines(QByteArrayView bytes)
{
    if (bytes.startsWith(byteOrderMark))
        bytes = bytes.sliced(byteOrderMark.size());
    if (bytes.contains('\r'))
        return splitAtCr(bytes);
    QList<QByteArray> lines;
    for (QByteArrayView rest = bytes; !rest.isEmpty();) {
        const qsizetype lf = rest.indexOf('\n');
        if (lf < 0) {
            lines.append(rest.toByteArray());
            break;
        }
        lines.append(rest.first(lf).toByteArray());
        rest = rest.sliced(lf + 1);
    }
    return lines;
}

// A file's lines split into the entries of one day and everything else, as
// the loader and the saver of that day must see them: a header line whose
// date text reads exactly as the day starts one of the day's entries, whose
// body runs to the next line that is exactly "!*!" (or to the end of the
// file); every other line, wherever it stands, is "other".
struct DayModel
{
    QList<QByteArray> others;
    qsizetype firstEntryAt = -1; // the index in others where the day's first entry stood
    QList<QList<QByteArray>> bodies;
    // Among the other lines, the last header that names a day (read to the
    // day) has no end line after it: the file ends inside that entry.
    bool endsInsideEntry = false;
};

inline std::optional<QDate> headerDay(const DateSettings& dates, QByteArrayView line)
{
    if (!line.startsWith(QByteArrayView("*!*")))
        return std::nullopt;
    return dates.read(TextCodec::decode(line.sliced(3)), DateSettings::Precision::Exact);
}

inline DayModel dayModel(const QList<QByteArray>& lines, const DateSettings& dates,
                         const QDate& day)
{
    DayModel model;
    QByteArray openHeader;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (headerDay(dates, lines[i]) != day) {
            model.others.append(lines[i]);
            if (lines[i] == "!*!")
                openHeader.clear();
            else if (lines[i].startsWith("*!*"))
                openHeader = lines[i];
            continue;
        }
        if (model.firstEntryAt < 0)
            model.firstEntryAt = model.others.size();
        QList<QByteArray> body;
        while (++i < lines.size() && lines[i] != "!*!")
            body.append(lines[i]);
        model.bodies.append(body);
    }
    model.endsInsideEntry = !openHeader.isEmpty()
                            && dates.read(TextCodec::decode(QByteArrayView(openHeader).sliced(3)),
                                          DateSettings::Precision::DayOnly);
    return model;
}

// A day to load or save: one named by a header of the file (so that entries
// are found and replaced), or a fixed day that the file may not hold.
inline QDate chooseDay(uint8_t choice, const QList<QByteArray>& lines, const DateSettings& dates)
{
    QList<QDate> named;
    for (const QByteArray& line : lines) {
        if (const auto day = headerDay(dates, line))
            named.append(*day);
    }
    if (named.isEmpty() || choice % 4 == 0)
        return QDate(2026, 7, 12);
    return named[choice % named.size()];
}

// The day's text as the loader gives it back: the bodies' lines, each with
// the writer's escape of a mark taken off, decoded and joined by CR LF, the
// last line of one entry and the first of the next too.
inline QString loadedText(const DayModel& model)
{
    QStringList lines;
    for (const QList<QByteArray>& body : model.bodies) {
        for (const QByteArray& line : body)
            lines.append(TextCodec::decode(EntryLines::unescapedBody(line)));
    }
    return lines.join(QStringLiteral("\r\n"));
}

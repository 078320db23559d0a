#include "files/text_codec.h"

#include <QStringDecoder>

#include <algorithm>

namespace TextCodec {
namespace {

// 0x80 to 0x9F; the bytes Windows-1252 leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) read as the C1 control of the same value, as Windows does.
constexpr char16_t windows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t fromWindows1252(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return windows1252High[byte - 0x80];
    return byte; // ASCII, and 0xA0 to 0xFF as in Latin-1
}

// The length of the UTF-8 sequence this byte leads, 0 for a byte that leads
// none (ASCII, a continuation byte, C0, C1, F5 and above).
int sequenceLength(unsigned char lead)
{
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

} // namespace

void append(QByteArrayView line, QString& out)
{
    // No byte ever yields more than one unit: a four-byte sequence makes two.
    const qsizetype old = out.size();
    out.resize(old + line.size());
    QChar* to = out.data() + old;
    // A U+FEFF at the start of a line is the character it is: only the
    // file's first bytes are a mark.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    if (line.isValidUtf8()) {
        to = utf8.appendToBuffer(to, line);
    } else {
        const auto* p = reinterpret_cast<const unsigned char*>(line.data());
        const auto* const end = p + line.size();
        while (p < end) {
            const QByteArrayView sequence(p, std::min<qsizetype>(sequenceLength(*p), end - p));
            if (sequence.size() > 1 && sequence.isValidUtf8()) {
                to = utf8.appendToBuffer(to, sequence);
                p += sequence.size();
            } else {
                *to++ = QChar(fromWindows1252(*p++));
            }
        }
    }
    out.truncate(to - out.constData());
}

void decode(QByteArrayView line, QString& out)
{
    out.truncate(0);
    append(line, out);
}

QString decode(QByteArrayView line)
{
    QString text;
    append(line, text);
    return text;
}

QByteArray encode(QStringView text)
{
    return text.toUtf8();
}

} // namespace TextCodec

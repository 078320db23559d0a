#include "files/text_codec.h"

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

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 sequence at p (no overlong forms, no
// surrogates, nothing above U+10FFFF) and its code point, or 0 when the
// bytes there are no such sequence.
int sequenceAt(const unsigned char* p, const unsigned char* end, char32_t& code)
{
    const unsigned char lead = *p;
    int extra;
    char32_t minimum;
    if (lead >= 0xC2 && lead <= 0xDF) {
        code = lead & 0x1F;
        extra = 1;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        code = lead & 0x0F;
        extra = 2;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        code = lead & 0x07;
        extra = 3;
        minimum = 0x10000;
    } else {
        return 0; // a stray continuation byte, C0, C1 or F5 and above
    }
    if (end - p <= extra)
        return 0;
    for (int i = 1; i <= extra; ++i) {
        if (!isContinuation(p[i]))
            return 0;
        code = (code << 6) | (p[i] & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return extra + 1;
}

// Decodes the bytes into out, which has room for one unit per byte (no
// byte ever yields more than one unit: a four-byte sequence makes two).
// Every well-formed UTF-8 sequence reads as UTF-8 and every other byte as
// Windows-1252 on its own, so one stray byte in a UTF-8 line garbles
// nothing but itself. Returns the number of units written.
qsizetype decodeMixed(QByteArrayView bytes, char16_t* out)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    char16_t* const first = out;
    while (p < end) {
        // Runs of ASCII, the bulk of any diary, go through without the
        // sequence tests.
        while (p < end && *p < 0x80)
            *out++ = *p++;
        if (p == end)
            break;
        char32_t code;
        const int length = sequenceAt(p, end, code);
        if (length == 0) {
            *out++ = fromWindows1252(*p++);
        } else if (code >= 0x10000) {
            *out++ = char16_t(0xD800 + ((code - 0x10000) >> 10));
            *out++ = char16_t(0xDC00 + ((code - 0x10000) & 0x3FF));
            p += length;
        } else {
            *out++ = char16_t(code);
            p += length;
        }
    }
    return out - first;
}

} // namespace

char16_t fromWindows1252(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return windows1252High[byte - 0x80];
    return byte; // ASCII, and 0xA0 to 0xFF as in Latin-1
}

void append(QByteArrayView line, QString& out)
{
    const qsizetype old = out.size();
    out.resize(old + line.size());
    auto* const target = reinterpret_cast<char16_t*>(out.data()) + old;
    out.truncate(old + decodeMixed(line, target));
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

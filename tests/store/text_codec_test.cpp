#include "files/text_codec.h"

#include "store_fixture.h"

namespace {

QString text(const char16_t* characters)
{
    return QString::fromUtf16(characters);
}

QString decoded(const QByteArray& bytes)
{
    return TextCodec::decode(bytes);
}

} // namespace

TEST(TextCodec, ValidUtf8ReadsAsUtf8)
{
    EXPECT_EQ(decoded(""), QString());
    EXPECT_EQ(decoded("plain text"), text(u"plain text"));
    EXPECT_EQ(decoded("caf\xC3\xA9 \xE2\x82\xAC"), text(u"café €"));
    // Four-byte sequences become surrogate pairs.
    EXPECT_EQ(decoded("\xF0\x9D\x84\x9E!"), QString::fromUtf8("\xF0\x9D\x84\x9E!"));
    EXPECT_EQ(decoded("\xF4\x8F\xBF\xBF"), QString::fromUcs4(U"\U0010FFFF", 1));
    EXPECT_EQ(decoded("\xEF\xBF\xBF"), QString(QChar(0xFFFF)));
}

TEST(TextCodec, OtherLinesReadAsWindows1252)
{
    EXPECT_EQ(decoded("caf\xE9"), text(u"café"));
    EXPECT_EQ(decoded("\x80"), text(u"€"));
    EXPECT_EQ(decoded("\x93quoted\x94 \x96 \x85"), text(u"\u201Cquoted\u201D \u2013 \u2026"));
    EXPECT_EQ(decoded("\x8A\x8C\x8E\x9A\x9C\x9E\x9F\x83\x88\x98\x99"),
              text(u"\u0160\u0152\u017D\u0161\u0153\u017E\u0178\u0192\u02C6\u02DC\u2122"));
    // The bytes Windows-1252 leaves undefined stand for the C1 controls.
    EXPECT_EQ(decoded("\x81\x8D\x8F\x90\x9D"), text(u"\u0081\u008D\u008F\u0090\u009D"));
    EXPECT_EQ(decoded("\xA0\xFF\xC0"), text(u"\u00A0\u00FF\u00C0"));
}

TEST(TextCodec, OnlyTheBytesOutsideValidSequencesReadAsWindows1252)
{
    // A valid é next to a Windows-1252 é: each reads as what it is.
    EXPECT_EQ(decoded("caf\xC3\xA9 \xE9t\xE9 \xE2\x82\xAC\x80"), text(u"café été €€"));
    EXPECT_EQ(decoded("\xF0\x9D\x84\x9E\xFF"), QString::fromUtf8("\xF0\x9D\x84\x9E") + text(u"ÿ"));
    // Overlong forms, a surrogate, a code above U+10FFFF, a sequence cut
    // short and a stray continuation byte are no sequences: byte by byte.
    EXPECT_EQ(decoded("\xC0\xAF"), text(u"À¯"));
    EXPECT_EQ(decoded("\xE0\x80\xAF"), text(u"à\u20AC¯"));
    EXPECT_EQ(decoded("\xED\xA0\x80"), text(u"í\u00A0\u20AC"));
    EXPECT_EQ(decoded("\xF4\x90\x80\x80"), text(u"ô\u0090\u20AC\u20AC"));
    EXPECT_EQ(decoded("ab\xE2\x82"), text(u"abâ\u201A"));
    EXPECT_EQ(decoded("\xE2\x82x\xE2\x82\xAC"), text(u"â\u201Ax€"));
    EXPECT_EQ(decoded("\xA9x"), text(u"©x"));
}

TEST(TextCodec, NoByteEverReadsAsAReplacementCharacter)
{
    for (int byte = 0; byte < 256; ++byte) {
        const QString text = decoded(QByteArray(1, char(byte)));
        ASSERT_EQ(text.size(), 1) << byte;
        EXPECT_NE(text[0], QChar(QChar::ReplacementCharacter)) << byte;
        if (byte < 0x80 || byte >= 0xA0) {
            EXPECT_EQ(text[0].unicode(), byte);
        }
    }
}

TEST(TextCodec, DecodingReusesAndAppends)
{
    QString line = QStringLiteral("x");
    TextCodec::append("\xC3\xA9", line);
    TextCodec::append("\xE9", line);
    EXPECT_EQ(line, text(u"xéé"));
    TextCodec::decode("longer line of text", line);
    TextCodec::decode("a\xE9", line);
    EXPECT_EQ(line, text(u"aé"));
    TextCodec::decode("", line);
    EXPECT_TRUE(line.isEmpty());
}

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>
#include <QtGlobal>

// A word whose folding is all ASCII (most words, "café" too), looked for in
// the bytes of many lines as they stand in the file, sixteen places at a
// time.
//
// ASCII bytes are the same characters in every encoding the file may use,
// and each folds to one unit, itself lowered. So the word's bytes found in a
// line, case aside, are always a match of the word in the line's folded
// text; only a line with other bytes may hold a match that the bytes do not
// show (an accented letter, a combining mark), and needs the whole folding.
class AsciiWord
{
public:
    // The word as folded; every unit must be ASCII.
    explicit AsciiWord(QStringView folded);

    qsizetype size() const { return m_bytes.size(); }

    // Where the word's bytes, case aside, first stand in the bytes from
    // place from on, or -1.
    qsizetype indexIn(QByteArrayView bytes, qsizetype from) const;

    // Where the first byte that is not ASCII stands from place from on, or -1.
    static qsizetype firstNonAscii(QByteArrayView bytes, qsizetype from);

    // For the scans that look for the word among other things.
    bool isAt(const unsigned char* place) const;
    // Sixteen copies each of the first byte's case bit and lowered byte,
    // then of the last byte's.
    const unsigned char (&edges() const)[4][16] { return m_edges; }

private:
    QByteArray m_bytes;     // the word, lowered
    QByteArray m_caseBits;  // 0x20 under each letter: a byte ORed with it is lowered
    // Sixteen copies each of the first byte's and the last byte's case bit
    // and lowered byte, as the scans compare a block of bytes with them.
    alignas(16) unsigned char m_edges[4][16];
};

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>
#include <QtGlobal>

// A word whose folding is all ASCII (most words, "café" too), looked for in
// the bytes of lines as they stand in the file, a block of places at a time.
//
// ASCII bytes are the same characters in every encoding the file may use,
// and each folds to one unit, itself lowered. So the word's bytes found in a
// line, case aside, are always a match of the word in the line's folded
// text; only a line with other bytes may hold a match that the bytes do not
// show (an accented letter, a combining mark), and needs the whole folding.
class AsciiWord
{
public:
    // The word as folded; at least one unit, every one of them ASCII.
    explicit AsciiWord(QStringView folded);

    qsizetype size() const { return m_bytes.size(); }

    // Where the word's bytes, case aside, first stand in the bytes from
    // place from on, or -1.
    qsizetype indexIn(QByteArrayView bytes, qsizetype from) const;

    // Where the first byte that is not ASCII stands from place from on, or -1.
    static qsizetype firstNonAscii(QByteArrayView bytes, qsizetype from);

    // For the scans that look for the word among other things: whether it
    // stands at a place (with size() bytes from there), and its first and
    // last bytes, lowered, with their case bits (0x20 for a letter, else 0).
    bool isAt(const unsigned char* place) const;
    unsigned char firstByte() const { return uchar(m_bytes.front()); }
    unsigned char lastByte() const { return uchar(m_bytes.back()); }
    unsigned char firstCaseBit() const { return uchar(m_caseBits.front()); }
    unsigned char lastCaseBit() const { return uchar(m_caseBits.back()); }

    // The same four, each as 32 copies of itself, ready to be compared with
    // a block of bytes: written once, so a scan loads them whole.
    enum Edge { FirstCaseBit, FirstByte, LastCaseBit, LastByte };
    const unsigned char* copies(Edge edge) const { return m_copies[edge]; }

private:
    QByteArray m_bytes;     // the word, lowered
    QByteArray m_caseBits;  // 0x20 under each letter: a byte ORed with it is lowered
    alignas(32) unsigned char m_copies[4][32];
};

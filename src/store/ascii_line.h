#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include <vector>

// A line's bytes made ready for the quick search of words that fold to
// ASCII: a copy with A to Z lowered, sixteen bytes at a time, noting on the
// way whether every byte is ASCII. An ASCII character folds to itself
// lowered, so for an all-ASCII line that copy is its folded text, and a
// word's bytes found in it are a match. A line with any other byte needs
// the whole folding.
class AsciiLine
{
public:
    // Takes the line; returns whether all its bytes are ASCII. Reuses the
    // buffer, which grows only for a line longer than every one before.
    bool assign(QByteArrayView line);

    // Where the bytes (lowercase ASCII, at least one) first stand in the
    // lowered line, or -1.
    qsizetype indexOf(QByteArrayView word) const;

private:
    std::vector<unsigned char> m_bytes; // the lowered line, then room to read past it
    qsizetype m_size = 0;
};

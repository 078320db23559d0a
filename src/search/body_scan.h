#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include <span>

class AsciiWord;

// Where, in a block of the entry file's lines, a search must look next. Most
// lines of a diary are body lines that hold nothing of the query; the scan
// passes over them sixteen bytes at a time, without a stop at each line's
// end, and stops only where a line may matter:
// - a line end followed by '*' or '!': the next line may be a header or an
//   end line;
// - where one of the words' bytes start, case aside;
// - if asked, a byte that is not ASCII (the line's text may hold a word that
//   its bytes do not show).
namespace BodyScan {

struct Stops
{
    char lineEnd = '\r'; // CR, or LF in a file without any CR
    bool notAscii = false;
};

// The first place from place from on (a line's start) where the scan stops,
// or -1 at the end of the bytes. The words are a query's: at most
// SearchQuery::maxWords of them.
qsizetype firstStop(std::span<const AsciiWord* const> words, const Stops& stops, QByteArrayView bytes,
                    qsizetype from);

// Test seam: with false, the scan goes sixteen bytes at a time even on a
// machine that could do 32, so that tests cover both ways.
void allowWideBlocks(bool allowed);

} // namespace BodyScan

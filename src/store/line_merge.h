#pragma once

#include <QString>
#include <QStringView>

// Merges two texts that grew apart from one base, line by line (lines
// separated by CR LF): the text as this copy of the program loaded it, the
// pad's text, and the text another copy saved meanwhile. A stretch that
// only one side changed comes from that side; where both changed the same
// stretch differently, both versions stay, the saved one first, each once.
// No line of the base is written twice, so texts that take turns never
// multiply.
namespace LineMerge {

struct Result
{
    QString text;
    bool conflict = false; // both sides changed the same stretch
};

Result merge(QStringView base, QStringView saved, QStringView pad);

} // namespace LineMerge

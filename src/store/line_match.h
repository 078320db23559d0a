#pragma once

#include <QList>
#include <QStringView>

#include <vector>

// The common lines of two texts: a longest common subsequence of their
// lines, after the shared head and tail are matched directly.
namespace LineMatch {

using Lines = QList<QStringView>;

// Larger differences than this many line pairs are taken as one changed
// stretch: nothing is lost, the lines only match less finely.
inline constexpr qsizetype maxCells = 4'000'000;

// The lines of a text separated by CR LF; none for an empty text.
Lines split(QStringView text);

// For each line of a, the index of the line of b it is matched with, or -1.
// Matched indexes rise with a's.
std::vector<qsizetype> match(const Lines& a, const Lines& b);

} // namespace LineMatch

#pragma once

#include <QString>
#include <QStringView>

// Merges two texts that grew apart from one base, line by line (lines
// separated by CR LF): the text as this copy of the program loaded it, the
// pad's text, and the text another copy saved meanwhile. Each side's changes
// to lines the other left alone are all kept, however close; where both
// inserted lines at one place, the saved ones come first. Where both changed
// the same lines, those lines are merged by words with the same rule (words
// being runs of letters and digits, runs of white space, and single other
// characters). Only where both changed the same words differently do both
// versions stay, next to each other, the saved one first, each once; words
// the other copy removed where the pad changed them stay as the pad has
// them. Texts longer than can be compared all with all are matched as far
// as they differ little, else taken as one changed stretch. No line or word
// of the base is written twice, so texts that take turns never multiply.
namespace LineMerge {

struct Result
{
    QString text;
    bool conflict = false; // both sides changed the same words differently
};

Result merge(QStringView base, QStringView saved, QStringView pad);

} // namespace LineMerge

#pragma once

#include <QString>
#include <QStringView>

#include <vector>

// A stretch of a text, in UTF-16 units.
struct TextRange
{
    qsizetype start = 0;
    qsizetype length = 0;

    friend bool operator==(const TextRange&, const TextRange&) = default;
};

// A text folded for searching, with the way back to the text it came from.
// Folding makes case and accents count for nothing: each character is
// case-folded in full ("ß" and "ẞ" become "ss", "ﬁ" becomes "fi"), then
// decomposed canonically, and its combining marks are dropped. So "Café",
// "CAFÉ" and "cafe" with a combining acute all fold to "cafe", and "Straße"
// to "strasse".
//
// Every character folds on its own, to the same units wherever it stands:
// the folding of two lines joined is the two foldings joined, and a word
// without a line break in it is found in a day's text exactly where it is
// found in one of its lines. The tables behind it are filled a block of
// characters at a time when first needed, and may be shared by threads.
class FoldedText
{
public:
    FoldedText() = default;
    explicit FoldedText(QStringView text) { assign(text); }

    // Folds the text, reusing this object's buffers: folding one line after
    // another allocates only for a line longer than every one before it.
    void assign(QStringView text);

    QStringView folded() const { return QStringView(m_units.data(), qsizetype(m_units.size())); }

    // The stretch of the original text that the folded units from start on,
    // length of them (at least one), came from: from the character that gave
    // the first of them to the end of the one that gave the last, with any
    // marks that were dropped after it.
    TextRange original(qsizetype start, qsizetype length) const;

    // The folding of a text, on its own.
    static QString fold(QStringView text);

private:
    std::vector<char16_t> m_units;
    std::vector<qsizetype> m_origins; // for each folded unit, where its character starts
    qsizetype m_sourceSize = 0;
};

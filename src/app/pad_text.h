#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// An entry's text separates its lines with CR LF; every other character (a
// lone LF, the Unicode line and paragraph separators...) belongs to a line
// and must come back unchanged. The editor takes some of them for block
// breaks of its own, so each goes in as a stand-in that remembers it.
namespace PadText {

// A character the editor would not keep as it is, at its position in the
// editor's text.
struct StandIn
{
    qsizetype position = 0;
    QChar original;
};

struct EditorText
{
    QString text; // in the form the editor takes in setPlainText
    QList<StandIn> standIns;
};

// An entry's text in the editor's form.
EditorText toEditor(QStringView entry);

// A run of the editor's raw text (blocks separated by U+2029) as an entry's
// text, appended to entry. Where the run stands in for a character,
// original is that character: each stand-in in it becomes the original
// again.
void appendFromEditor(QString& entry, QStringView raw, QChar original = QChar());

} // namespace PadText

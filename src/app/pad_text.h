#pragma once

#include <QString>
#include <QStringView>

// An entry's text separates its lines with CR LF, and a lone LF is an
// ordinary character of a line. The pad's editor keeps lines as blocks and
// shows a lone LF as a line separator (U+2028) inside its block, so the two
// forms convert into each other without loss.
namespace PadText {

// The editor's raw text (blocks separated by U+2029) as an entry's text.
QString fromEditor(QStringView raw);

// An entry's text in the form the editor takes in setPlainText.
QString toEditor(QStringView entry);

} // namespace PadText

#pragma once

#include <QChar>
#include <QString>
#include <QStringView>

// The one reader of Qt's date and time formats ("dd.MM.yyyy", "d 'de' MMMM"),
// for the lenient date parser and the export's date lines alike.
//
// Walks a Qt date or time format: onField(letter, count) for each run of a
// pattern letter, onLiteral(text) for the literal text between runs, with
// Qt's quoting ('text', and '' for one quote) resolved.
template <typename FieldFn, typename LiteralFn>
void walkFormat(QStringView format, QStringView patternLetters, FieldFn onField, LiteralFn onLiteral)
{
    QString literal;
    const auto flush = [&] {
        if (!literal.isEmpty()) {
            onLiteral(QStringView(literal));
            literal.clear();
        }
    };
    const qsizetype n = format.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = format[i];
        if (c == u'\'') {
            if (i + 1 < n && format[i + 1] == u'\'') {
                literal += u'\'';
                i += 2;
                continue;
            }
            ++i;
            while (i < n) {
                if (format[i] == u'\'') {
                    if (i + 1 < n && format[i + 1] == u'\'') {
                        literal += u'\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                literal += format[i++];
            }
            continue;
        }
        if (patternLetters.contains(c)) {
            qsizetype run = 1;
            while (i + run < n && format[i + run] == c)
                ++run;
            flush();
            onField(c, int(run));
            i += run;
            continue;
        }
        literal += c;
        ++i;
    }
    flush();
}

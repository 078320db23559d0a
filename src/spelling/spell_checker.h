#pragma once

#include <QHash>
#include <QLocale>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>

struct str_enchant_broker;
struct str_enchant_dict;

// One language's dictionary of the desktop's, through Enchant, with the
// user's personal word list that every program using Enchant shares.
// Answers are remembered, so a word is looked up once. Not for two threads
// at once; it may be opened on one thread and used on another.
class SpellChecker
{
public:
    // The languages with a dictionary installed, as tags ("en_GB"), sorted.
    static QStringList installedLanguages();
    // The language for a locale among the installed ones: the locale's own,
    // else that language's main variant (en_GB for English, de_DE for
    // German), else its first; where the locale's language has none,
    // English as before, else the first installed. Empty when none is.
    static QString languageFor(const QLocale& locale, const QStringList& installed);
    // Null where the language's dictionary cannot be opened.
    static std::unique_ptr<SpellChecker> open(const QString& language);

    SpellChecker(const SpellChecker&) = delete;
    SpellChecker& operator=(const SpellChecker&) = delete;
    ~SpellChecker();

    QString language() const { return m_language; }

    bool isKnown(QStringView word);
    // Whether the word's answer is remembered, without asking the dictionary.
    bool isRemembered(QStringView word) const;
    // Up to most replacements, the likeliest first.
    QStringList suggestions(QStringView word, int most = 5) const;
    // Into the personal word list, for this program and the others. The
    // dictionary's complaint where the list could not take it.
    QString addToDictionary(QStringView word);
    // Known for the rest of the run.
    void ignore(QStringView word);
    const QSet<QString>& ignored() const { return m_ignored; }

private:
    SpellChecker(str_enchant_broker* broker, str_enchant_dict* dict, const QString& language);

    str_enchant_broker* m_broker;
    str_enchant_dict* m_dict;
    QString m_language;
    QHash<QString, bool> m_known;
    QSet<QString> m_ignored;
};

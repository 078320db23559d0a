#pragma once

#include <QTranslator>

class QLocale;

// Qt's own translations (qtbase_<language>.qm, from Qt's translations
// folder) for a locale, installed while this object lives: the standard
// dialogs and the message boxes' buttons speak the user's language. The
// program's own captions and messages are not translated; they stay as
// the design wrote them. Where Qt has no translation for the language,
// everything stays English.
class QtTranslations
{
public:
    explicit QtTranslations(const QLocale& locale);
    ~QtTranslations();

    // Whether a translation was found and installed.
    bool installed() const { return m_installed; }

private:
    QTranslator m_translator;
    bool m_installed = false;
};

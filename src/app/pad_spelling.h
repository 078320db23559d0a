#pragma once

#include "settings/spelling_settings_file.h"
#include "spelling/spell_checker.h"
#include "spelling/spell_highlighter.h"

#include <QLocale>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <thread>

class PadEdit;
class QMenu;

// Spelling in the pad: the marks under misspelt words, and in the pad's
// context menu the suggestions, "Add to Dictionary", "Ignore", checking
// on or off and the language, kept in the spelling's own settings file.
// The dictionary is opened on a thread of its own at start, so the window
// does not wait for it.
class PadSpelling final : public QObject
{
    Q_OBJECT

public:
    struct Context
    {
        QString folder;
        QLocale locale;
        // The installed languages; unset for the desktop's.
        std::optional<QStringList> languages;
        std::function<void(const QString&)> tell;
    };

    PadSpelling(PadEdit& pad, Context context);
    ~PadSpelling() override;

    // Reads the settings and opens the dictionary, which is ready soon after.
    void start();
    bool isReady() const { return m_ready; }

    // The spelling's items, put into the pad's context menu for a position.
    void addToMenu(QMenu& menu, int position);

    SpellHighlighter& highlighter() { return m_highlighter; }
    // The dictionary in use; null where none is.
    SpellChecker* checker() const { return m_checker.get(); }

    // The menu's commands.
    void setChecking(bool on);
    void chooseLanguage(const QString& language);
    void addToDictionary(const QString& word);
    void ignore(const QString& word);

    // How a language's tag reads in the menu ("English (United Kingdom)").
    static QString languageName(const QString& language);

private:
    struct Loaded
    {
        QStringList languages;
        std::unique_ptr<SpellChecker> checker;
    };
    void adopt(Loaded loaded);
    void applyChecking();
    void saveSettings();
    void addLanguages(QMenu& menu);

    PadEdit& m_pad;
    Context m_context;
    SpellingSettingsFile m_file;
    SpellingSettings m_settings;
    QStringList m_languages;
    std::unique_ptr<SpellChecker> m_checker;
    SpellHighlighter m_highlighter;
    bool m_ready = false;
    bool m_toldSettings = false;
    // Last, so that it is joined before anything it hands over goes.
    std::jthread m_loader;
};

#include "app/pad_spelling.h"

#include "app/pad_edit.h"

#include <QActionGroup>
#include <QMenu>

#include <algorithm>

PadSpelling::PadSpelling(PadEdit& pad, Context context)
    : m_pad(pad), m_context(std::move(context)), m_file(m_context.folder), m_highlighter(pad.document())
{
    // A text shown in pieces is for reading: nothing in it is checked.
    m_highlighter.setPaused([&pad] { return pad.isTooLongToEdit(); });
    m_highlighter.setFirstVisible([&pad] { return pad.cursorForPosition(QPoint(0, 0)).block(); });
    connect(&pad, &QPlainTextEdit::cursorPositionChanged, this,
            [this] { m_highlighter.cursorMoved(m_pad.textCursor().position()); });
    pad.setMenuAddition([this](QMenu& menu, int position) { addToMenu(menu, position); });
}

PadSpelling::~PadSpelling() = default;

void PadSpelling::start()
{
    if (const auto failure = m_file.load(m_settings))
        m_context.tell(QStringLiteral("The spelling settings could not be read; spelling is checked in the "
                                      "language of your locale.\n\n%1")
                           .arg(failure->message()));
    m_loader = std::jthread([this, languages = m_context.languages, wanted = m_settings.language,
                             locale = m_context.locale] {
        auto loaded = std::make_shared<Loaded>();
        loaded->languages = languages ? *languages : SpellChecker::installedLanguages();
        // A language chosen once and since removed gives way to the locale's.
        const QString language = loaded->languages.contains(wanted)
                                     ? wanted
                                     : SpellChecker::languageFor(locale, loaded->languages);
        loaded->checker = SpellChecker::open(language);
        QMetaObject::invokeMethod(this, [this, loaded] { adopt(std::move(*loaded)); }, Qt::QueuedConnection);
    });
}

void PadSpelling::adopt(Loaded loaded)
{
    m_languages = std::move(loaded.languages);
    m_checker = std::move(loaded.checker);
    m_ready = true;
    applyChecking();
}

void PadSpelling::applyChecking()
{
    m_highlighter.setChecker(m_settings.check ? m_checker.get() : nullptr);
}

void PadSpelling::setChecking(bool on)
{
    m_settings.check = on;
    saveSettings();
    applyChecking();
}

void PadSpelling::chooseLanguage(const QString& language)
{
    std::unique_ptr<SpellChecker> next = SpellChecker::open(language);
    if (!next) {
        m_context.tell(QStringLiteral("The dictionary for %1 could not be opened; spelling is checked as "
                                      "before.").arg(languageName(language)));
        return;
    }
    // Words ignored are ignored for the whole run, in every language.
    if (m_checker) {
        for (const QString& word : m_checker->ignored())
            next->ignore(word);
    }
    std::swap(m_checker, next);
    applyChecking();
    m_settings.language = language;
    saveSettings();
}

void PadSpelling::addToDictionary(const QString& word)
{
    if (!m_checker)
        return;
    if (const QString complaint = m_checker->addToDictionary(word); !complaint.isEmpty())
        m_context.tell(QStringLiteral("\"%1\" could not be added to your personal word list; it is known "
                                      "until the program closes.\n\n%2").arg(word, complaint));
    m_highlighter.recheck();
}

void PadSpelling::ignore(const QString& word)
{
    if (!m_checker)
        return;
    m_checker->ignore(word);
    m_highlighter.recheck();
}

void PadSpelling::saveSettings()
{
    bool written = false;
    const auto failure = m_file.save(m_settings, &written);
    if (!failure || std::exchange(m_toldSettings, true))
        return; // told once a run; every later change tries again
    m_context.tell((written ? QStringLiteral("The spelling settings were saved, but the disk did not confirm "
                                             "it. If the computer loses power soon, the next start may not "
                                             "have them.\n\n%1")
                            : QStringLiteral("The spelling settings could not be saved for the next start; "
                                             "they hold until the program closes.\n\n%1"))
                       .arg(failure->message()));
}

void PadSpelling::addToMenu(QMenu& menu, int position)
{
    QAction* const usual = menu.actions().value(0);
    if (m_ready && m_languages.isEmpty()) {
        auto* none = new QAction(QStringLiteral("No spelling dictionary installed"), &menu);
        none->setEnabled(false);
        menu.insertAction(usual, none);
        menu.insertSeparator(usual);
    } else if (const QTextCursor word = m_highlighter.misspeltWordAt(position);
               !word.isNull() && !m_pad.isReadOnly()) {
        const QString text = word.selectedText();
        const QStringList suggestions = m_checker->suggestions(text);
        for (const QString& suggestion : suggestions) {
            auto* replace = new QAction(QString(suggestion).replace(u'&', QLatin1String("&&")), &menu);
            // One edit: one step of undo gives the word back.
            connect(replace, &QAction::triggered, this, [word, suggestion] { QTextCursor(word).insertText(suggestion); });
            menu.insertAction(usual, replace);
        }
        if (suggestions.isEmpty()) {
            auto* none = new QAction(QStringLiteral("No suggestions"), &menu);
            none->setEnabled(false);
            menu.insertAction(usual, none);
        }
        auto* add = new QAction(QStringLiteral("Add to Dictionary"), &menu);
        connect(add, &QAction::triggered, this, [this, text] { addToDictionary(text); });
        auto* ignoreWord = new QAction(QStringLiteral("Ignore"), &menu);
        connect(ignoreWord, &QAction::triggered, this, [this, text] { ignore(text); });
        menu.insertActions(usual, {add, ignoreWord});
        menu.insertSeparator(usual);
    }
    menu.addSeparator();
    QAction* check = menu.addAction(QStringLiteral("Check Spelling"));
    check->setCheckable(true);
    check->setChecked(m_settings.check);
    check->setEnabled(!m_languages.isEmpty());
    connect(check, &QAction::toggled, this, &PadSpelling::setChecking);
    addLanguages(menu);
}

void PadSpelling::addLanguages(QMenu& menu)
{
    QMenu* languages = menu.addMenu(QStringLiteral("Spelling Language"));
    languages->setEnabled(!m_languages.isEmpty());
    auto* group = new QActionGroup(languages);
    // By the names the menu shows; two dictionaries of one language and
    // country are told apart by their tags.
    QList<std::pair<QString, QString>> items; // name, language
    for (const QString& language : m_languages)
        items.append({languageName(language), language});
    std::sort(items.begin(), items.end());
    for (const auto& entry : items) {
        const QString& name = entry.first;
        const QString language = entry.second;
        const auto same = [&name](const auto& other) { return other.first == name; };
        const bool twin = std::count_if(items.begin(), items.end(), same) > 1;
        QAction* item = languages->addAction(twin ? QStringLiteral("%1 [%2]").arg(name, language) : name);
        item->setCheckable(true);
        item->setChecked(m_checker && m_checker->language() == language);
        group->addAction(item);
        connect(item, &QAction::triggered, this, [this, language] {
            if (!m_checker || m_checker->language() != language)
                chooseLanguage(language);
        });
    }
}

QString PadSpelling::languageName(const QString& language)
{
    const QLocale locale(language);
    if (locale.language() == QLocale::C || !language.startsWith(QLocale::languageToCode(locale.language())))
        return language;
    const QString name = QLocale::languageToString(locale.language());
    return language.contains(u'_') && locale.territory() != QLocale::AnyTerritory
               ? QStringLiteral("%1 (%2)").arg(name, QLocale::territoryToString(locale.territory()))
               : name;
}

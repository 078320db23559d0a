// Spelling checked as you type, in one day of 100 KB of prose: the check of
// the whole entry by a dictionary that remembers no answer yet, held to an
// absolute time, since the marks wait for it; and a key press in the middle
// of that entry, timed in turn with the same key press in a pad that checks
// nothing, held to a few milliseconds above it. Run once, beside the diary
// of targetSize entries: the entry is one day whatever the diary's size.

#include "bench_case.h"
#include "synthetic_prose.h"

#include "app/pad_edit.h"
#include "platform/widgets/twips.h"
#include "spelling/spell_checker.h"
#include "spelling/spell_highlighter.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QKeyEvent>
#include <QRect>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>
#include <memory>
#include <utility>

namespace {

constexpr double checkTargetMs = 150;
constexpr double keyPressAboveMs = 2;
constexpr qsizetype entryCharacters = 100'000;
constexpr quint32 proseSeed = 20261208;
// Key presses in each pad, a letter and Backspace in turn.
constexpr int keyPresses = 401;
const char* const dictionaryFile = "/usr/share/hunspell/en_US.dic";
const char* const language = "en_US";

const std::string checkRow = "check spelling, 100 KB entry";
const std::string uncheckedRow = "key press in a 100 KB entry, unchecked";
const std::string checkedRow = "key press in a 100 KB entry, checked";

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "failed: %s\n", what);
    std::exit(1);
}

// Whatever the pads posted in answer: their zero timers and repaints.
void settle()
{
    for (int round = 0; round < 100 && QCoreApplication::eventDispatcher()->processEvents(QEventLoop::AllEvents);
         ++round) {
    }
}

// A pad of the main window's pad's size (3255 by 3015 twips, a window
// that cannot be resized), shown on no screen. No pad has the focus, so
// no cursor blinks in one while another is timed.
std::unique_ptr<PadEdit> shownPad(const QString& entry)
{
    auto pad = std::make_unique<PadEdit>();
    pad->setFocusPolicy(Qt::NoFocus);
    pad->resize(Twips::of(pad->screen()).toPixels(0, 0, 3255, 3015).size());
    pad->setEntryText(entry);
    pad->show();
    settle();
    return pad;
}

// The cursor at the end of a word in the middle of the middle paragraph.
void putCursorInTheMiddle(PadEdit& pad)
{
    const QTextBlock block = pad.document()->findBlock(pad.document()->characterCount() / 2);
    QTextCursor cursor(block);
    cursor.setPosition(block.position() + block.length() / 2);
    cursor.movePosition(QTextCursor::EndOfWord);
    pad.setTextCursor(cursor);
    pad.ensureCursorVisible();
    settle();
}

// A pad with the spelling's highlighter, wired as the pad's spelling
// wires it.
class CheckedPad
{
public:
    explicit CheckedPad(const QString& entry) : m_pad(shownPad(entry)), m_highlighter(m_pad->document())
    {
        PadEdit* const pad = m_pad.get();
        m_highlighter.setPaused([pad] { return pad->isTooLongToEdit(); });
        m_highlighter.setFirstVisible([pad] { return pad->cursorForPosition(QPoint(0, 0)).block(); });
        QObject::connect(pad, &QPlainTextEdit::cursorPositionChanged, &m_highlighter,
                         [this] { m_highlighter.cursorMoved(m_pad->textCursor().position()); });
        settle();
    }

    PadEdit& pad() { return *m_pad; }
    SpellHighlighter& highlighter() { return m_highlighter; }

    qsizetype marks() const
    {
        qsizetype marks = 0;
        for (QTextBlock block = m_pad->document()->begin(); block.isValid(); block = block.next())
            marks += block.layout()->formats().size();
        return marks;
    }

private:
    std::unique_ptr<PadEdit> m_pad;
    SpellHighlighter m_highlighter; // leaves the document before the pad goes
};

// Types as the keyboard does: a letter, then Backspace, and so on, so the
// text is the entry again after every second key. Each key is pressed and
// released, and the pad does what it does in answer before the next.
class Typist
{
public:
    explicit Typist(PadEdit& pad) : m_pad(pad) {}

    void press()
    {
        const bool letter = std::exchange(m_letterNext, !m_letterNext);
        const int key = letter ? Qt::Key_E : Qt::Key_Backspace;
        const QString text = letter ? QStringLiteral("e") : QStringLiteral("\b");
        QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(&m_pad, &down);
        QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(&m_pad, &up);
        settle();
    }

private:
    PadEdit& m_pad;
    bool m_letterNext = true;
};

// One pair of keys, untimed: the letter must be typed and taken back, or
// the rows would time keys the pad does not handle.
void mustType(PadEdit& pad, Typist& typist)
{
    const int before = pad.document()->characterCount();
    typist.press();
    if (pad.document()->characterCount() != before + 1)
        fail("a key pressed in the pad typed nothing");
    typist.press();
    if (pad.document()->characterCount() != before)
        fail("Backspace in the pad took nothing back");
}

void reportCannotRun(const BenchContext& c, const std::string& why)
{
    for (const auto& [name, target] : {std::pair(checkRow, checkTargetMs), std::pair(uncheckedRow, 0.0),
                                       std::pair(checkedRow, keyPressAboveMs)}) {
        Row row(name, Row::Kind::Operation, RunStats(), 0, std::nullopt, target);
        row.cannotRun = why;
        c.report(row);
    }
}

const BenchCase spelling("spelling", [](const BenchContext& c) {
    if (c.size != targetSize)
        return;
    QStringList words;
    if (const auto failure = SyntheticProse::readDictionaryWords(QString::fromLatin1(dictionaryFile), words)) {
        reportCannotRun(c, "no words to write the entry with: "
                               + (failure->file + QStringLiteral(": ") + failure->reason).toStdString());
        return;
    }
    if (!SpellChecker::open(QString::fromLatin1(language))) {
        reportCannotRun(c, std::string("no ") + language + " dictionary to check with");
        return;
    }
    const QString entry = SyntheticProse::text(words, entryCharacters, proseSeed);

    // The whole entry's check, as when the dictionary comes after the day
    // is shown. The program opens the dictionary on a worker; here it is
    // opened before each run, untimed, so no answer is remembered.
    CheckedPad checked(entry);
    std::unique_ptr<SpellChecker> checker;
    const RunStats check = aloneRuns(
        [&] {
            checked.highlighter().setChecker(checker.get());
            checked.highlighter().finishNow();
        },
        c.policy,
        [&] {
            checked.highlighter().setChecker(nullptr); // every mark away
            checker = SpellChecker::open(QString::fromLatin1(language));
            if (!checker)
                fail("the dictionary could not be opened again");
        });
    if (!checked.highlighter().isUpToDate() || checked.marks() == 0)
        fail("the check marked no word");
    c.report(Row(checkRow, Row::Kind::Operation, check, entry.toUtf8().size(), std::nullopt, checkTargetMs));

    // The same key in the same place of the same text, with the check's
    // answers in hand and without any highlighter, in turn.
    const std::unique_ptr<PadEdit> plain = shownPad(entry);
    putCursorInTheMiddle(*plain);
    putCursorInTheMiddle(checked.pad());
    Typist uncheckedKeys(*plain);
    Typist checkedKeys(checked.pad());
    mustType(*plain, uncheckedKeys);
    mustType(checked.pad(), checkedKeys);
    RunPolicy runs = c.policy;
    runs.minRuns = runs.maxRuns = std::max(keyPresses, c.policy.minRuns);
    const RunStats keys = interleavedRuns([&] { uncheckedKeys.press(); }, [&] { checkedKeys.press(); }, 0, runs);
    // Both rows from the same pairs of runs, each with its own median.
    RunStats unchecked = keys;
    unchecked.ms = keys.floorMs;
    c.report(Row(uncheckedRow, Row::Kind::Operation, unchecked, 0, std::nullopt, 0));
    Row checkedKey(checkedRow, Row::Kind::Operation, keys, 0, std::nullopt, keyPressAboveMs);
    checkedKey.baseline = uncheckedRow;
    c.report(checkedKey);
});

} // namespace

#include "spelling/spell_highlighter.h"

#include "spelling/spell_checker.h"
#include "spelling/spelling_words.h"

#include <QElapsedTimer>
#include <QSignalBlocker>
#include <QTextDocument>
#include <QTextLayout>

#include <limits>

namespace {

// More than a pad shows at once: checked before the rest.
constexpr int visibleCharacters = 4'000;
// One slice of a pass, short enough for typing to go on around it.
constexpr qint64 sliceMs = 8;

QTextCharFormat misspeltFormat()
{
    QTextCharFormat format;
    format.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
    format.setUnderlineColor(Qt::red);
    return format;
}

} // namespace

SpellHighlighter::SpellHighlighter(QTextDocument* document) : QSyntaxHighlighter(static_cast<QObject*>(nullptr))
{
    // Around the highlighter's own formatting of a change: before it, what
    // kind of change it is; after it, the dictionary is no longer asked.
    connect(document, &QTextDocument::contentsChange, this, &SpellHighlighter::contentsChanged);
    setDocument(document);
    connect(document, &QTextDocument::contentsChange, this, [this] { m_mayAsk = false; });
    m_pass.setInterval(0);
    connect(&m_pass, &QTimer::timeout, this, [this] { passSlice(sliceMs); });
}

SpellHighlighter::~SpellHighlighter()
{
    // Leaving the document takes every mark away, which it would report
    // as a change of its text.
    if (document()) {
        const QSignalBlocker quiet(document());
        setDocument(nullptr);
    }
}

bool SpellHighlighter::isActive() const
{
    return m_checker && !(m_paused && m_paused());
}

void SpellHighlighter::setChecker(SpellChecker* checker)
{
    m_checker = checker;
    if (isActive()) {
        m_redrawAll = true;
        startPass();
        return;
    }
    m_pass.stop();
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        if (!block.layout()->formats().isEmpty())
            redraw(block);
    }
}

void SpellHighlighter::recheck()
{
    setChecker(m_checker);
}

void SpellHighlighter::contentsChanged(int from, int removed, int added)
{
    const int typedBefore = m_typedAt;
    const bool typed = (added == 1 && removed == 0) || (added == 0 && removed == 1);
    m_typedAt = typed ? from + added : -1;
    m_mayAsk = added <= largeChange;
    // The word typed before is finished: marked where it stands now, unless
    // this change's own paragraph holds it, which is formatted anyway.
    if (typedBefore >= 0 && typedBefore != m_typedAt
        && document()->findBlock(typedBefore) != document()->findBlock(from)) {
        QTextCursor before(document());
        before.setPosition(std::min(typedBefore, document()->characterCount() - 1));
        QTimer::singleShot(0, this, [this, before] { redraw(before.block()); });
    }
    if (!m_mayAsk && isActive())
        startPass();
}

void SpellHighlighter::cursorMoved(int position)
{
    if (m_typedAt < 0 || position == m_typedAt)
        return;
    const QTextBlock typed = document()->findBlock(m_typedAt);
    m_typedAt = -1;
    redraw(typed);
}

void SpellHighlighter::redraw(const QTextBlock& block)
{
    if (!block.isValid())
        return;
    // A paragraph formatted anew would tell the editor that its text
    // changed, which makes the pad dirty: the document keeps quiet, and
    // the layout, which is told directly, draws the marks.
    const QSignalBlocker quiet(document());
    m_mayAsk = true;
    rehighlightBlock(block);
    m_mayAsk = false;
}

void SpellHighlighter::highlightBlock(const QString& text)
{
    if (!isActive())
        return;
    static const QTextCharFormat mark = misspeltFormat();
    const int base = currentBlock().position();
    for (const SpellingWords::Span& span : SpellingWords::inParagraph(text)) {
        const QStringView word = QStringView(text).sliced(span.start, span.length);
        if (!m_mayAsk && !m_checker->isRemembered(word)) {
            if (!m_pass.isActive())
                startPass();
            continue;
        }
        if (m_checker->isKnown(word))
            continue;
        const int start = base + int(span.start);
        if (m_typedAt >= start && m_typedAt <= start + int(span.length))
            continue;
        setFormat(int(span.start), int(span.length), mark);
    }
}

void SpellHighlighter::startPass()
{
    const QTextBlock first = m_firstVisible ? m_firstVisible() : document()->begin();
    m_next = QTextCursor(first.isValid() ? first : document()->begin());
    m_visibleEnd = QTextCursor(document());
    m_visibleEnd.setPosition(std::min(m_next.position() + visibleCharacters, document()->characterCount() - 1));
    m_visibleDone = false;
    m_pass.start();
}

void SpellHighlighter::passSlice(qint64 budgetMs)
{
    QElapsedTimer clock;
    clock.start();
    while (isActive()) {
        const QTextBlock block = m_next.block();
        checkBlock(block);
        QTextBlock next = block.next();
        if (!m_visibleDone && (!next.isValid() || next.position() > m_visibleEnd.position())) {
            m_visibleDone = true; // then the whole text, from the top
            next = document()->begin();
        }
        if (!next.isValid())
            break;
        m_next.setPosition(next.position());
        if (clock.elapsed() >= budgetMs)
            return;
    }
    m_pass.stop();
    m_redrawAll = false;
}

void SpellHighlighter::checkBlock(const QTextBlock& block)
{
    const QString text = block.text();
    bool newlyWrong = false;
    for (const SpellingWords::Span& span : SpellingWords::inParagraph(text)) {
        const QStringView word = QStringView(text).sliced(span.start, span.length);
        const bool remembered = m_checker->isRemembered(word);
        if (!m_checker->isKnown(word) && !remembered)
            newlyWrong = true;
    }
    if (newlyWrong || (m_redrawAll && !block.layout()->formats().isEmpty()))
        redraw(block);
}

void SpellHighlighter::finishNow()
{
    if (m_pass.isActive())
        passSlice(std::numeric_limits<qint64>::max());
}

QTextCursor SpellHighlighter::misspeltWordAt(int position) const
{
    if (!isActive())
        return {};
    const QTextBlock block = document()->findBlock(position);
    const QString text = block.text();
    const int at = position - block.position();
    for (const SpellingWords::Span& span : SpellingWords::inParagraph(text)) {
        if (at < span.start || at > span.start + span.length)
            continue;
        if (m_checker->isKnown(QStringView(text).sliced(span.start, span.length)))
            return {};
        QTextCursor word(block);
        word.setPosition(block.position() + int(span.start));
        word.setPosition(block.position() + int(span.start + span.length), QTextCursor::KeepAnchor);
        return word;
    }
    return {};
}

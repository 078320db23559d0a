#pragma once

#include <QSyntaxHighlighter>
#include <QTextCursor>
#include <QTimer>

#include <functional>

class SpellChecker;

// The wavy red line under each word of a document that the dictionary
// does not know. The marks are the layout's alone: the text, its undo
// history and its modified state never change. A paragraph is checked
// when it changes; a large change (a day loaded, a long paste) and a new
// dictionary are checked a slice at a time from the paragraph in view on,
// then from the top, so the window never waits for a long text.
class SpellHighlighter final : public QSyntaxHighlighter
{
    Q_OBJECT

public:
    // A change that adds more than this many characters is checked later.
    static constexpr int largeChange = 2'000;

    explicit SpellHighlighter(QTextDocument* document);
    ~SpellHighlighter() override;

    // Null checks nothing and takes every mark away.
    void setChecker(SpellChecker* checker);
    SpellChecker* checker() const { return m_checker; }
    // Checks every paragraph again: the checker's words changed.
    void recheck();
    // While it says so, nothing is checked (a text shown for reading only).
    void setPaused(std::function<bool()> paused) { m_paused = std::move(paused); }
    // The first paragraph in view, checked first.
    void setFirstVisible(std::function<QTextBlock()> first) { m_firstVisible = std::move(first); }
    // The editor's cursor moved: a word typed there is marked once the
    // cursor leaves it.
    void cursorMoved(int position);

    // The misspelt word at a position, selected; null where there is none.
    QTextCursor misspeltWordAt(int position) const;
    // Whether every paragraph is checked.
    bool isUpToDate() const { return !m_pass.isActive(); }
    // Checks what is left at once.
    void finishNow();

protected:
    void highlightBlock(const QString& text) override;

private:
    void contentsChanged(int from, int removed, int added);
    // A pass over every paragraph: visible first, then from the top.
    void startPass();
    void passSlice(qint64 budgetMs);
    void checkBlock(const QTextBlock& block);
    // Formats one paragraph again, asking the dictionary what it must.
    void redraw(const QTextBlock& block);
    bool isActive() const;

    SpellChecker* m_checker = nullptr;
    std::function<bool()> m_paused;
    std::function<QTextBlock()> m_firstVisible;
    // Whether the dictionary may be asked now: while a small change or a
    // paragraph of the pass is formatted. Otherwise words not yet known
    // wait for the pass.
    bool m_mayAsk = false;
    // Just after the character typed or deleted there: the word touching
    // it is still being typed.
    int m_typedAt = -1;
    // Where the pass goes on; it follows edits. The visible paragraphs come
    // first, up to m_visibleEnd.
    QTextCursor m_next;
    QTextCursor m_visibleEnd;
    bool m_visibleDone = false;
    // Every paragraph is redrawn, not only those with wrong words (the
    // checker changed).
    bool m_redrawAll = false;
    QTimer m_pass;
};

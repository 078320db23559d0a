#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

class QWindow;

// What a window of the program does when it becomes the active window of
// the program, and when another window of the program takes that place.
class ActivationHandler
{
public:
    virtual void Form_Activate() = 0;
    virtual void Form_Deactivate() = 0;

protected:
    ~ActivationHandler() = default;
};

// Activation between the windows of the program only. The platform's focus
// window changes far more often: a menu, a modal dialog or a message box
// takes the focus, or the user switches to another program and back. None
// of these counts; only a move of the focus from one registered window to
// another activates the one and deactivates the other.
class WindowActivation final : public QObject
{
    Q_OBJECT

public:
    explicit WindowActivation(QObject* parent = nullptr);

    void add(QWidget* window, ActivationHandler* handler);

    // The program has shown this window to work in: it is the active window
    // from now on, whether or not the platform gives it the focus.
    void shown(QWidget* window);

    QWidget* active() const { return m_active; }
    qsizetype windowCount() const { return m_entries.size(); }

private:
    struct Entry
    {
        QPointer<QWidget> window;
        ActivationHandler* handler;
    };

    void focusWindowChanged(QWindow* focus);
    void switchTo(QWidget* window);
    ActivationHandler* handlerOf(const QWidget* window) const;

    QList<Entry> m_entries;
    QPointer<QWidget> m_active;
};

#include "platform/widgets/window_activation.h"

#include <QGuiApplication>
#include <QWindow>

WindowActivation::WindowActivation(QObject* parent) : QObject(parent)
{
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this,
            &WindowActivation::focusWindowChanged);
}

void WindowActivation::add(QWidget* window, ActivationHandler* handler)
{
    // Windows come and go (the calendar anew at every change of day): the
    // gone ones are forgotten.
    m_entries.removeIf([](const Entry& e) { return !e.window; });
    m_entries.append({window, handler});
}

void WindowActivation::shown(QWidget* window)
{
    window->activateWindow();
    if (window != m_active)
        switchTo(window);
}

void WindowActivation::focusWindowChanged(QWindow* focus)
{
    if (!focus)
        return; // another program has the focus
    for (const Entry& e : std::as_const(m_entries)) {
        if (e.window && e.window->windowHandle() == focus) {
            if (e.window != m_active)
                switchTo(e.window);
            return;
        }
    }
}

void WindowActivation::switchTo(QWidget* window)
{
    // Set first: a handler may show a message box or a window, and the
    // focus changes that raises must not activate this window a second time.
    QPointer<QWidget> previous = m_active;
    m_active = window;
    if (previous && previous->isVisible()) {
        if (ActivationHandler* h = handlerOf(previous))
            h->Form_Deactivate();
    }
    if (ActivationHandler* h = handlerOf(window); h && m_active == window)
        h->Form_Activate();
}

ActivationHandler* WindowActivation::handlerOf(const QWidget* window) const
{
    for (const Entry& e : m_entries) {
        if (e.window == window)
            return e.handler;
    }
    return nullptr;
}

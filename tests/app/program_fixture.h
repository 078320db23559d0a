#pragma once

#include "app/click_label.h"
#include "app/frm_ojw.h"
#include "app/pad_edit.h"
#include "app/program.h"
#include "support/fixed_clock.h"
#include "platform/widgets/window_activation.h"
#include "support/file_bytes.h"
#include "support/scripted_common_dialog.h"
#include "support/scripted_message_box.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

// Another window of the program (standing in for the calendar window), to
// move the activation away from the main window and back.
class OtherWindow final : public QWidget, public ActivationHandler
{
public:
    int activations = 0;
    int deactivations = 0;
    void Form_Activate() override { ++activations; }
    void Form_Deactivate() override { ++deactivations; }
};

// The real program in a temporary application folder, with an en_US
// locale, "today" fixed at Monday 7 December 2026 and a scripted message box.
class ProgramTest : public testing::Test
{
protected:
    static constexpr const char* todayHeader = "*!*12/7/2026\r\n";

    QTemporaryDir dir;
    FixedClock clock{QDate(2026, 12, 7)};
    ScriptedMessageBox messages;
    ScriptedCommonDialog dialogs;
    std::unique_ptr<Program> program;
    OtherWindow other;

    void TearDown() override
    {
        other.hide();
        program.reset();
    }

    QString path(const char* name) const { return QDir(dir.path()).filePath(QString::fromLatin1(name)); }

    void writeEntries(const QByteArray& bytes) { writeFileBytes(path("ojwdata.txt"), bytes); }

    QByteArray entries() const
    {
        return QFile::exists(path("ojwdata.txt")) ? fileBytes(path("ojwdata.txt")) : QByteArray("<missing>");
    }

    PlatformServices services()
    {
        return {.clock = &clock, .messages = &messages, .dialogs = &dialogs, .helpChecker = OJW_PROGRAM};
    }

    void start()
    {
        program = std::make_unique<Program>(dir.path(), QLocale(QLocale::English, QLocale::UnitedStates),
                                             services());
        program->start();
        program->activation().add(&other, &other);
        ASSERT_TRUE(QTest::qWaitFor([this] { return program->activation().active() == program->mainWindow(); }));
        settle();
    }

    frmOJW& main() const { return *program->mainWindow(); }
    PadState& state() const { return program->padState(); }
    QString pad() const { return main().txtPad->entryText(); }

    // Types at the end of the pad's text.
    void type(const QString& text)
    {
        main().txtPad->setFocus();
        main().txtPad->moveCursor(QTextCursor::End);
        QTest::keyClicks(main().txtPad, text);
    }

    // Until what has been posted so far is handled: a call queued now runs
    // after it. Windows closed meanwhile are deleted.
    static void settle()
    {
        bool reached = false;
        QMetaObject::invokeMethod(qApp, [&reached] { reached = true; }, Qt::QueuedConnection);
        ASSERT_TRUE(QTest::qWaitFor([&reached] { return reached; }));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void activate(QWidget* window)
    {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        settle();
    }
};

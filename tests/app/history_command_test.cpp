#include "app/frm_ojw.h"
#include "app/pad_edit.h"
#include "program_fixture.h"

#include <unistd.h>

namespace {

class HistoryCommandTest : public ProgramTest
{
protected:
    QStringList beforesOfToday()
    {
        QStringList texts;
        for (const HistoryRecord& record : program->history().day(state().shownDate).records)
            texts.append(record.before);
        return texts;
    }
};

TEST_F(HistoryCommandTest, TextTypedAndClearedBeforeItWasSavedIsKept)
{
    writeEntries("*!*12/7/2026\r\non disk\r\n!*!\r\n");
    start();
    type(", typed");
    messages.script({MessageBox::Answer::Yes});
    main().mnuPadClearAll->trigger();
    EXPECT_EQ(entries(), "");
    EXPECT_EQ(beforesOfToday(), QStringList({"on disk, typed"}));
    program.reset();
    for (const QString& file : History::files(dir.path()))
        QFile::remove(file);

    // Pad > Clear the same.
    writeEntries("*!*12/7/2026\r\nsaved\r\n!*!\r\n");
    start();
    type(" and typed");
    main().mnuPadClear->trigger();
    EXPECT_EQ(entries(), "");
    // What the user saw cleared is the newest earlier text, the saved one
    // before it.
    EXPECT_EQ(beforesOfToday(), QStringList({"saved", "saved and typed"}));
}

TEST_F(HistoryCommandTest, AHistoryThatCannotBeWrittenIsSaidOnceAndStopsRemovals)
{
    writeEntries("*!*12/7/2026\r\non disk\r\n!*!\r\n");
    start();
    ASSERT_EQ(::symlink("/dev/null", QFile::encodeName(program->history().path()).constData()), 0);
    type("!");
    activate(&other);
    activate(&main());
    type("?");
    activate(&other);
    EXPECT_EQ(entries(), "*!*12/7/2026\r\non disk!?\r\n!*!\r\n");
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_TRUE(messages.shown().first().text.contains("earlier versions"));

    messages.script({MessageBox::Answer::Yes});
    main().mnuPadClearAll->trigger();
    EXPECT_EQ(entries(), "*!*12/7/2026\r\non disk!?\r\n!*!\r\n");
    EXPECT_TRUE(messages.shown().last().text.startsWith("The entries could not be erased."));
}

} // namespace

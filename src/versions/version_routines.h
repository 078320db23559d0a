#pragma once

#include "store/day_recorder.h"

#include <QFont>
#include <QList>
#include <QString>

// What the Earlier Versions window asks of the program object, which owns
// the pad and the entry file.
class VersionRoutines
{
public:
    // The text into the pad in place of its own, the pad dirty, so that the
    // normal save writes it and the text it replaces becomes an earlier
    // version in turn. False when the pad's own text could not be saved
    // first, or the pad is locked (the user has been told).
    virtual bool restoreText(const QString& text) = 0;

    // Each day's text (after) back into the diary in one save: a day empty
    // on disk takes it, a day written since keeps its text with the
    // restored one after an empty line, a day that holds it already is
    // left. The pad is saved first and reloaded after; the user is told how
    // many days came back. False when nothing was written.
    virtual bool restoreDays(const QList<DayRecorder::Day>& days) = 0;

    // Tells the user, in a message box or where nobody can be asked.
    virtual void tell(const QString& text) = 0;

    virtual QFont padFont() const = 0;

protected:
    ~VersionRoutines() = default;
};

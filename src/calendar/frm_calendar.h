#pragma once

#include "store/entry_scan.h"

#include <QDate>
#include <QWidget>

#include <span>

class DateSettings;
class ModuleRoutines;
class QCalendarWidget;

// The calendar window: a month view beside the main window in which every
// day that has an entry is bold. A click on a day shows that day's entry.
// While the window is open the program re-creates it after every change of
// the shown date, so that its bold days are read afresh from the file.
class frmCalendar final : public QWidget
{
    Q_OBJECT

public:
    // The month view's range of selectable dates.
    static const QDate firstDate;
    static const QDate lastDate;

    // The main window is only looked at, for the placement; the entry file
    // is the one in folder, its dates read with dates, whose locale also
    // gives the month view its first day of the week. Nothing is read or
    // shown before Form_Load.
    frmCalendar(ModuleRoutines& routines, QWidget& mainWindow, const QString& folder,
                const DateSettings& dates);

    QCalendarWidget* calCalendar = nullptr;

    void Form_Load();
    void Form_Unload();

    void calCalendar_DateClick();
    // Sets the flag of every day from StartDate on that has an entry: at
    // most the grid's 42 days, and never beyond the end of State. Flags are
    // only set, never cleared.
    void calCalendar_GetDayBold(const QDate& StartDate, std::span<bool> State);

    // The month view's selected date. A date outside its range shows the
    // nearest date it has.
    QDate Value() const;
    void setValue(const QDate& date);

    // The first of the 42 days the month view shows for a month: the month
    // starts in the first week, and a month that starts on the week's first
    // day gets the whole week before it, as QCalendarWidget draws it.
    static QDate gridStart(int year, int month, Qt::DayOfWeek firstDayOfWeek);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Beside the main window, with the outer sizes the windows have now.
    void place();
    // Asks for the bold days of the page shown, unless they were asked for
    // already, and shows exactly those days in bold.
    void showBoldDays(int year, int month);

    ModuleRoutines& m_routines;
    QWidget& m_mainWindow;
    EntryScan m_scan;
    int m_boldYear = 0;
    int m_boldMonth = 0;
};

#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

#include <functional>
#include <string>

class DateSettings;
class QLocale;

// What one benchmark case gets for one diary size: the folder that holds the
// diary's ojwdata.txt, the diary's bytes (to put the file back after a case
// changed it), and the way to report a timing.
struct BenchContext
{
    QString folder;
    const QLocale& locale;
    const DateSettings& dates;
    QByteArray diary;
    int size = 0;
    QDate firstDay;
    // Reports one operation's time in milliseconds over the given bytes.
    std::function<void(const std::string& name, double ms, qint64 bytes)> record;

    // Writes the diary's bytes back to ojwdata.txt.
    void reset() const;
};

// The best of a few runs, in milliseconds.
double timeIt(const std::function<void()>& operation, int runs = 5);

// A benchmark case registers itself from its own file:
//   static const BenchCase navigation("navigation", [](const BenchContext& c) { ... });
// Cases run in the order of their names for every diary size.
class BenchCase
{
public:
    using Run = std::function<void(const BenchContext&)>;
    BenchCase(const char* name, Run run);

    static void runAll(const BenchContext& context);
};

#pragma once

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>

#include <functional>

// Whether a compiled help file can be opened without harm. The help library
// believes what a file says about itself: a damaged one can make it divide
// by zero or read past its buffers, which would end the program with the
// user's text in it. So a separate process of the program ("<program>
// --check-help FILE", which runs checkWhole) reads every object of the file
// first, within a time limit; only a file it got through whole is opened
// here. The verdict for a file (its size and time of change) is kept for
// the run.
class HelpCheck final : public QObject
{
    Q_OBJECT

public:
    static constexpr int timeLimitMs = 5000;

    // program: the executable that answers --check-help; empty for this one.
    explicit HelpCheck(const QString& program = QString(), QObject* parent = nullptr);

    // Calls done with an empty text when the file may be opened (a missing
    // or unreadable one included: opening it says why), otherwise with why
    // not, in words for the user. At once when the verdict is known.
    void check(const QString& file, const std::function<void(const QString& problem)>& done);

    // The check itself, in the separate process: true when every object of
    // the file reads.
    static bool checkWhole(const QString& file);

private:
    struct Key
    {
        QString path;
        qint64 size;
        QDateTime changed;
        bool operator==(const Key&) const = default;
    };
    friend size_t qHash(const Key& key, size_t seed) { return qHash(key.path, seed) ^ qHash(key.size); }

    QString m_program;
    QHash<Key, QString> m_verdicts;
};

#include "synthetic_prose.h"

#include "files/line_reader.h"
#include "files/posix_io.h"

#include <QSet>

#include <algorithm>
#include <cerrno>
#include <random>
#include <vector>

namespace {

constexpr qsizetype vocabularySize = 4'000;
constexpr double misspeltShare = 0.02;
constexpr double commaShare = 0.08;

// The head of the Zipf law, in the order of how often a diary uses them;
// the rest of the vocabulary is drawn from the dictionary.
const char* const commonWords[] = {
    "the", "and", "to", "a",     "of",   "was", "in",    "it",    "my",   "that", "we",   "for",
    "had", "he",  "she", "with", "on",   "at",  "but",   "not",   "this", "so",   "then", "day",
    "all", "me",  "they", "her", "his",  "went", "home", "today", "out",  "up",   "some", "when",
    "there", "were", "after", "good", "time", "back", "long", "work", "night", "little", "again", "about",
};

bool isWord(const QString& stem)
{
    if (stem.isEmpty())
        return false;
    bool lower = false;
    for (const QChar c : stem) {
        if (!c.isLetter())
            return false;
        lower = lower || !c.isUpper();
    }
    return lower; // "NASA" and "I" are passed over by the checker too
}

// The word with two neighbouring letters that differ swapped, its first
// letter kept; empty where it has none such.
QString misspelt(QString word, std::mt19937& random)
{
    std::vector<qsizetype> places;
    for (qsizetype i = 1; i + 1 < word.size(); ++i) {
        if (word[i] != word[i + 1])
            places.push_back(i);
    }
    if (places.empty())
        return {};
    const qsizetype at = places[std::uniform_int_distribution<size_t>(0, places.size() - 1)(random)];
    std::swap(word[at], word[at + 1]);
    return word;
}

} // namespace

std::optional<FileError> SyntheticProse::readDictionaryWords(const QString& path, QStringList& words)
{
    PosixIo::UniqueFd fd;
    if (auto failure = PosixIo::openForReading(path, fd))
        return failure;
    if (!fd.isOpen()) // a missing file is no failure to the reader
        return PosixIo::error(path, ENOENT);
    LineReader reader(fd.get());
    QByteArrayView line;
    while (reader.next(line)) {
        // "stem/FLAGS", perhaps followed by fields after white space.
        const auto endOf = [&line](qsizetype from, bool atSlash) {
            while (from < line.size() && line[from] != ' ' && line[from] != '\t' && !(atSlash && line[from] == '/'))
                ++from;
            return from;
        };
        const qsizetype end = endOf(0, true);
        if (line.sliced(end, endOf(end, false) - end).contains('!')) // never suggested: no diary's word
            continue;
        const QString stem = QString::fromUtf8(line.first(end));
        if (isWord(stem))
            words.append(stem);
    }
    if (reader.error() != 0)
        return PosixIo::error(path, reader.error());
    if (words.isEmpty())
        return FileError{path, QStringLiteral("The dictionary holds no words.")};
    return std::nullopt;
}

QString SyntheticProse::text(const QStringList& dictionary, qsizetype characters, quint32 seed)
{
    std::mt19937 random(seed);
    const QSet<QString> inDictionary(dictionary.begin(), dictionary.end());
    QStringList vocabulary;
    QSet<QString> chosen;
    for (const char* common : commonWords) {
        const QString word = QString::fromLatin1(common);
        if (inDictionary.contains(word) && !chosen.contains(word)) {
            vocabulary.append(word);
            chosen.insert(word);
        }
    }
    QStringList tail = dictionary;
    std::shuffle(tail.begin(), tail.end(), random);
    for (const QString& word : std::as_const(tail)) {
        if (vocabulary.size() >= vocabularySize)
            break;
        // The dictionary's shortest stems are mostly abbreviations.
        if (word.size() >= 3 && !chosen.contains(word)) {
            vocabulary.append(word);
            chosen.insert(word);
        }
    }

    std::vector<double> weights;
    for (qsizetype rank = 1; rank <= vocabulary.size(); ++rank)
        weights.push_back(1.0 / double(rank));
    std::discrete_distribution<qsizetype> zipf(weights.begin(), weights.end());
    std::bernoulli_distribution misspell(misspeltShare);
    std::bernoulli_distribution comma(commaShare);
    std::uniform_int_distribution<int> sentenceLength(5, 25);
    std::uniform_int_distribution<int> paragraphLength(2, 8);

    const auto nextWord = [&]() -> QString {
        if (!misspell(random))
            return vocabulary[zipf(random)];
        for (;;) { // short words swapped are often words still
            const QString word = vocabulary[zipf(random)];
            if (word.size() >= 4)
                if (QString wrong = misspelt(word, random); !wrong.isEmpty())
                    return wrong;
        }
    };

    QString out;
    out.reserve(characters + 4'000);
    while (out.size() < characters) {
        if (!out.isEmpty())
            out += u"\r\n";
        for (int sentence = paragraphLength(random); sentence > 0; --sentence) {
            if (!out.isEmpty() && !out.endsWith(u'\n'))
                out += u' ';
            const int words = sentenceLength(random);
            for (int w = 0; w < words; ++w) {
                QString word = nextWord();
                if (w == 0)
                    word[0] = word[0].toUpper();
                out += word;
                if (w + 1 == words)
                    out += u'.';
                else
                    out += comma(random) ? u", " : u" ";
            }
        }
    }
    return out;
}

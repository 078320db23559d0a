#pragma once

#include "platform/core/file_error.h"

#include <QString>
#include <QStringList>

#include <optional>

// A day's text that reads like a diary, for timing the spelling: real
// words, a few very common and a long tail, now and then one misspelt.
namespace SyntheticProse {

// The stems of a Hunspell dictionary (its .dic file), their flags taken
// off: those that hold anything but letters, those in capitals only and
// those the dictionary never suggests are left out.
std::optional<FileError> readDictionaryWords(const QString& path, QStringList& words);

// About `characters` characters of paragraphs separated by CR LF, the same
// for the same words and seed: paragraphs of 2 to 8 sentences, sentences of
// 5 to 25 words, each with a capital and a full stop; a vocabulary of a few
// thousand of the words, drawn by a Zipf law, about 2% of them misspelt
// (two letters swapped).
QString text(const QStringList& dictionary, qsizetype characters, quint32 seed);

} // namespace SyntheticProse

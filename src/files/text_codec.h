#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Turns the bytes of one line into text. Every well-formed UTF-8 sequence
// reads as UTF-8; every other byte reads on its own as Windows-1252, the ANSI
// code page files written on Windows use, the five bytes Windows-1252 leaves
// undefined as the C1 controls of the same value. So a line of Windows-1252
// text reads as such, a UTF-8 line with one stray byte garbles nothing but
// that byte, and no line ever reads with a replacement character.
namespace TextCodec {

// Appends the line's text to out. Reuses out's capacity, so decoding into
// the same string again and again does not allocate.
void append(QByteArrayView line, QString& out);

// Replaces out's contents with the line's text, reusing its capacity.
void decode(QByteArrayView line, QString& out);

QString decode(QByteArrayView line);

// Text as written to the file: UTF-8 without a byte-order mark.
QByteArray encode(QStringView text);

} // namespace TextCodec

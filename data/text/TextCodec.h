#pragma once

#include <QByteArray>
#include <QString>

namespace data {

// The files the program writes for people and other programs (settings, reports, export,
// backup) are in the Windows Cyrillic code page; a file edited by hand on Linux may be UTF-8.
enum class TextEncoding { Cp1251, Utf8 };

// Every conversion is stateless: the bytes or text given are the whole of it, so a sequence cut
// short at the end is replaced and reported, never held back for a next call that never comes.

// Encodes text in code page 1251; *lossless is false when a character had no place there and
// was replaced by a substitute.
QByteArray encodeCp1251(const QString &text, bool *lossless = nullptr);

QByteArray encodeText(const QString &text, TextEncoding encoding, bool *lossless = nullptr);
// A UTF-8 byte-order mark at the start is skipped.
QString decodeText(const QByteArray &bytes, TextEncoding encoding);

// UTF-8 when the bytes are valid UTF-8 with letters beyond ASCII, else code page 1251.
TextEncoding guessEncoding(const QByteArray &bytes);

// Decodes a file's bytes in the encoding guessed from them.
QString decodeCp1251OrUtf8(const QByteArray &bytes);

} // namespace data

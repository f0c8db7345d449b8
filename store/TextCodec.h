#pragma once

#include <QByteArray>
#include <QString>

namespace store {

// The files the program writes for people and other programs (settings, reports, export,
// backup) are in the Windows Cyrillic code page.
// Encodes text in code page 1251; *lossless is false when a character had no place there and
// was replaced by a substitute.
QByteArray encodeCp1251(const QString &text, bool *lossless = nullptr);

// Decodes a file's bytes: code page 1251, unless the bytes are valid UTF-8 with letters beyond
// ASCII (a file edited by hand on Linux), which are taken as UTF-8.
QString decodeCp1251OrUtf8(const QByteArray &bytes);

} // namespace store

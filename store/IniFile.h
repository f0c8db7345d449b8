#pragma once

#include "data/text/TextCodec.h"

#include <QString>
#include <QList>
#include <QStringList>
#include <optional>
#include <utility>

namespace store {

// A settings file in the INI format (sections in brackets, key=value lines), in code page 1251
// with CR LF line ends. Every read looks at the file as it is now and every write goes to the
// file at once, so that nothing is lost when the program ends abruptly. A missing file,
// section or key reads as the default; the file is created by the first write.
// The file's encoding is decided when it is first seen and kept, so that a value written can
// never change how another one reads. A file that holds a non-empty key "password" is written
// readable and writable by its owner only.
class IniFile {
public:
    explicit IniFile(const QString &path) : path_(path) {}

    const QString &fileName() const { return path_; }

    QString readString(const QString &section, const QString &key, const QString &defaultValue) const;
    // A value that is not a decimal number reads as the default.
    int readInteger(const QString &section, const QString &key, int defaultValue) const;
    // Booleans are integers: any non-zero value is true.
    bool readBool(const QString &section, const QString &key, bool defaultValue) const;
    // Every key of a section with its value, in the file's order; empty when the section is missing.
    QList<std::pair<QString, QString>> readSection(const QString &section) const;

    // Returns false when the file could not be written.
    bool writeString(const QString &section, const QString &key, const QString &value);
    bool writeInteger(const QString &section, const QString &key, int value);
    bool writeBool(const QString &section, const QString &key, bool value);

private:
    QStringList readLines() const;

    QString path_;
    mutable std::optional<data::TextEncoding> encoding_;
};

} // namespace store

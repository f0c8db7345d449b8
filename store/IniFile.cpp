#include "IniFile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>

namespace store {

namespace {

QStringList splitLines(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString sectionOf(const QString &line)
{
    const QString t = line.trimmed();
    if (t.startsWith(u'[') && t.endsWith(u']'))
        return t.mid(1, t.size() - 2).trimmed();
    return {};
}

bool isSection(const QString &line)
{
    const QString t = line.trimmed();
    return t.startsWith(u'[') && t.endsWith(u']');
}

// Index of the key's line within the section, or -1; *sectionEnd gets the index after the
// section's last line (-1 when the section is missing).
int findKey(const QStringList &lines, const QString &section, const QString &key, int *sectionEnd)
{
    int found = -1;
    bool inSection = false;
    *sectionEnd = -1;
    for (int i = 0; i < lines.size(); ++i) {
        if (isSection(lines[i])) {
            inSection = sectionOf(lines[i]).compare(section, Qt::CaseInsensitive) == 0;
            if (inSection)
                *sectionEnd = i + 1;
            continue;
        }
        if (!inSection)
            continue;
        if (!lines[i].trimmed().isEmpty())
            *sectionEnd = i + 1;
        const qsizetype eq = lines[i].indexOf(u'=');
        if (found < 0 && eq > 0 && lines[i].left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            found = i;
    }
    return found;
}

// A server's password in the file: then the file is the owner's alone.
bool holdsPassword(const QStringList &lines)
{
    for (const QString &line : lines) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0 && !isSection(line) && line.left(eq).trimmed().compare(u"password", Qt::CaseInsensitive) == 0 &&
            !line.mid(eq + 1).trimmed().isEmpty())
            return true;
    }
    return false;
}

// The file's bytes in its encoding, or in UTF-8 when code page 1251 would lose a letter or give
// bytes that the next run would take for UTF-8; the mark at the start settles that for it.
QByteArray fileBytes(const QString &text, data::TextEncoding &encoding)
{
    bool lossless = true;
    const QByteArray bytes = data::encodeText(text, encoding, &lossless);
    if (encoding == data::TextEncoding::Utf8)
        return bytes;
    if (!lossless) {
        encoding = data::TextEncoding::Utf8;
        return data::encodeText(text, encoding);
    }
    if (data::guessEncoding(bytes) == data::TextEncoding::Utf8) {
        encoding = data::TextEncoding::Utf8;
        return QByteArray("\xEF\xBB\xBF") + data::encodeText(text, encoding);
    }
    return bytes;
}

} // namespace

QStringList IniFile::readLines() const
{
    QFile f(path_);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = f.readAll();
    if (!encoding_)
        encoding_ = data::guessEncoding(bytes);
    return splitLines(data::decodeText(bytes, *encoding_));
}

QString IniFile::readString(const QString &section, const QString &key, const QString &defaultValue) const
{
    const QStringList lines = readLines();
    int end;
    const int i = findKey(lines, section, key, &end);
    if (i < 0)
        return defaultValue;
    return lines[i].mid(lines[i].indexOf(u'=') + 1).trimmed();
}

int IniFile::readInteger(const QString &section, const QString &key, int defaultValue) const
{
    const QString text = readString(section, key, QString());
    bool ok = false;
    const int value = text.toInt(&ok);
    if (ok)
        return value;
    // Hexadecimal written the Windows way, $1F.
    if (text.startsWith(u'$')) {
        const int hex = text.mid(1).toInt(&ok, 16);
        if (ok)
            return hex;
    }
    return defaultValue;
}

bool IniFile::readBool(const QString &section, const QString &key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

QList<std::pair<QString, QString>> IniFile::readSection(const QString &section) const
{
    QList<std::pair<QString, QString>> pairs;
    bool inSection = false;
    for (const QString &line : readLines()) {
        if (isSection(line)) {
            inSection = sectionOf(line).compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (inSection && eq > 0)
            pairs.push_back({line.left(eq).trimmed(), line.mid(eq + 1).trimmed()});
    }
    return pairs;
}

bool IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    QStringList lines = readLines();
    int end;
    const int i = findKey(lines, section, key, &end);
    const QString line = key + u'=' + value;
    if (i >= 0) {
        lines[i] = line;
    } else if (end >= 0) {
        lines.insert(end, line);
    } else {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines << QString();
        lines << u'[' + section + u']' << line;
    }
    // Written to a new file and renamed over the old one: a crash never leaves half a file.
    QSaveFile f(path_);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    // Set on the new file before anything is in it, so that no other user ever sees the password.
    if (holdsPassword(lines))
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QString text = lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
    // A file not there yet is the program's own, in code page 1251.
    data::TextEncoding encoding = encoding_.value_or(data::TextEncoding::Cp1251);
    const QByteArray bytes = fileBytes(text, encoding);
    f.write(bytes);
    if (!f.commit())
        return false;
    encoding_ = encoding;
    return true;
}

bool IniFile::writeInteger(const QString &section, const QString &key, int value)
{
    return writeString(section, key, QString::number(value));
}

bool IniFile::writeBool(const QString &section, const QString &key, bool value)
{
    return writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace store

// The settings file: over any file found on disk, a value written reads back at once and in a
// later run, and no write changes what another key reads.
#include "FuzzCheck.h"
#include "IniFile.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <vector>

using fuzzcheck::check;
using fuzzcheck::shown;

namespace {

struct Entry {
    QString section, key, value;
    bool sameKey(const Entry &o) const
    {
        return section.compare(o.section, Qt::CaseInsensitive) == 0 && key.compare(o.key, Qt::CaseInsensitive) == 0;
    }
};

QString consumeText(FuzzedDataProvider &in)
{
    const std::string bytes = in.ConsumeRandomLengthString(40);
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// A name or value as the program writes it: one line, no blanks at either end; a key holds no
// "=" and does not open like a section.
QString oneLine(QString text)
{
    text.remove(u'\r');
    text.remove(u'\n');
    return text.trimmed();
}

// The keys a file holds, each with the section whose header comes before it.
std::vector<Entry> keysIn(const QString &text)
{
    std::vector<Entry> keys;
    QString section;
    bool inSection = false;
    for (const QString &line : text.split(u'\n')) {
        const QString t = line.trimmed();
        if (t.startsWith(u'[') && t.endsWith(u']')) {
            section = t.mid(1, t.size() - 2).trimmed();
            inSection = true;
        } else if (inSection && line.indexOf(u'=') > 0) {
            keys.push_back({section, line.left(line.indexOf(u'=')).trimmed(), QString()});
        }
    }
    return keys;
}

void readAll(const store::IniFile &ini, std::vector<Entry> &keys)
{
    for (Entry &e : keys)
        e.value = ini.readString(e.section, e.key, QStringLiteral("\x01missing"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("library.ini"));
    FuzzedDataProvider in(data, size);
    const std::string initial = in.ConsumeRandomLengthString(400);
    QFile::remove(path);
    if (in.ConsumeBool()) {
        QFile f(path);
        check(f.open(QIODevice::WriteOnly), "the file can be made");
        f.write(initial.data(), static_cast<qint64>(initial.size()));
    }
    store::IniFile ini(path);
    std::vector<Entry> others = keysIn(QString::fromUtf8(initial.data(), static_cast<qsizetype>(initial.size()))
                                       + u'\n' + QString::fromLatin1(initial.data(), static_cast<qsizetype>(initial.size())));
    readAll(ini, others);
    while (in.remaining_bytes() > 0) {
        Entry w{oneLine(consumeText(in)), oneLine(consumeText(in)), oneLine(consumeText(in))};
        w.key.remove(u'=');
        w.key = w.key.trimmed();
        if (w.key.isEmpty() || w.key.startsWith(u'['))
            continue;
        check(ini.writeString(w.section, w.key, w.value), "the file is written");
        const QString detail = shown(w.section) + u' ' + shown(w.key) + u' ' + shown(w.value);
        check(ini.readString(w.section, w.key, QString()) == w.value, "a written value reads back", detail);
        check(store::IniFile(path).readString(w.section, w.key, QString()) == w.value,
              "a written value reads back in a later run", detail);
        std::erase_if(others, [&](const Entry &e) { return e.sameKey(w); });
        for (const Entry &e : others)
            check(ini.readString(e.section, e.key, QStringLiteral("\x01missing")) == e.value,
                  "a write leaves the other keys as they read", detail + QStringLiteral("\nchanged ") + shown(e.key));
        others.push_back(w);
    }
    return 0;
}

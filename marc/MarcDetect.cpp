#include "MarcDetect.h"

#include <cctype>

namespace marc {

namespace {

QByteArray allBytes(const Record &raw)
{
    QByteArray bytes;
    for (const Field &f : raw.fields) {
        bytes += f.data.toLatin1();
        for (const Subfield &s : f.subfields)
            bytes += s.value.toLatin1();
    }
    return bytes;
}

bool hasHighBytes(const QByteArray &bytes)
{
    for (char c : bytes)
        if (uchar(c) >= 0x80 || c == 0x1B)
            return true;
    return false;
}

bool isValidUtf8(const QByteArray &bytes)
{
    int follow = 0;
    for (char ch : bytes) {
        const uchar c = uchar(ch);
        if (follow > 0) {
            if ((c & 0xC0) != 0x80)
                return false;
            --follow;
        } else if (c >= 0xF0 && c <= 0xF4) {
            follow = 3;
        } else if (c >= 0xE0) {
            follow = c <= 0xEF ? 2 : -1;
        } else if (c >= 0xC2) {
            follow = 1;
        } else if (c >= 0x80) {
            return false;
        }
        if (follow < 0)
            return false;
    }
    return follow == 0;
}

// Russian words in 1251 are runs of letters 0xC0-0xFF; MARC-8 puts at most a diacritic or two
// before a Latin letter and switches to Cyrillic with an escape.
bool looksLikeCp1251(const QByteArray &bytes)
{
    if (bytes.contains('\x1B'))
        return false;
    int run = 0, longRuns = 0;
    for (char ch : bytes) {
        const uchar c = uchar(ch);
        run = (c >= 0xC0 || c == 0xA8 || c == 0xB8) ? run + 1 : 0;
        if (run == 3)
            ++longRuns;
    }
    return longRuns > 0;
}

// MARC-8 as a record could hold it: no byte its sets leave undefined (where code page 1251 has
// its capitals and "я"), and each combining mark before a letter or another mark, never before a
// blank (where the small letters of a 1251 word stand).
bool plausibleMarc8(const QByteArray &bytes)
{
    if (bytes.contains('\x1B'))
        return true; // escapes to other sets: MARC-8's own
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uchar c = uchar(bytes[i]);
        if ((c >= 0xC9 && c <= 0xDF) || c == 0xFF || c == 0xAF || c == 0xBB || c == 0xBE || c == 0xBF)
            return false;
        if (c >= 0xE0) {
            const uchar next = i + 1 < bytes.size() ? uchar(bytes[i + 1]) : 0;
            if (!(next >= 0xE0 || std::isalnum(next)))
                return false;
        }
    }
    return true;
}

QString field100(const Record &raw)
{
    const QStringList v = raw.values(QStringLiteral("100"), u'a');
    return v.isEmpty() ? QString() : v.first();
}

} // namespace

Format detectFormat(const Record &raw, Format fallback)
{
    const bool marc21 = raw.has(QStringLiteral("245"));
    const bool unimarc = !raw.values(QStringLiteral("200"), u'a').isEmpty();
    if (marc21 == unimarc)
        return fallback == Format::Auto ? Format::Marc21 : fallback;
    if (marc21)
        return Format::Marc21;
    if (fallback == Format::Rusmarc || fallback == Format::Unimarc)
        return fallback;
    const QString general = field100(raw);
    const QString sets = general.mid(26, 4);
    const bool russian = general.mid(22, 3) == u"rus" || sets.contains(QLatin1String("89")) ||
                         sets.contains(QLatin1String("79")) || raw.has(QStringLiteral("899"));
    return russian ? Format::Rusmarc : Format::Unimarc;
}

Charset claimedCharset(const Record &raw, Format format)
{
    if (format == Format::Marc21 || format == Format::Auto) {
        const QChar coding = raw.leader.size() > 9 ? raw.leader[9] : QChar(u' ');
        return coding == u'a' ? Charset::Utf8 : coding == u' ' ? Charset::Marc8 : Charset::Auto;
    }
    const QString general = field100(raw);
    if (general.size() < 28)
        return Charset::Auto;
    for (int at : {26, 28}) {
        const QString code = general.mid(at, 2);
        if (code == u"50")
            return Charset::Utf8;
        if (code == u"89")
            return Charset::Cp1251;
    }
    return Charset::Auto;
}

Charset detectCharset(const Record &raw, Format format, Charset fallback)
{
    const QByteArray bytes = allBytes(raw);
    const Charset claimed = claimedCharset(raw, format);
    if (!hasHighBytes(bytes))
        return claimed != Charset::Auto ? claimed : Charset::Utf8;
    if (isValidUtf8(bytes))
        return Charset::Utf8;
    // The catalogue's settings know better than a leader many libraries leave blank.
    if (fallback != Charset::Auto)
        return fallback;
    if (looksLikeCp1251(bytes) || ((claimed == Charset::Marc8 || claimed == Charset::Auto) && !plausibleMarc8(bytes)))
        return Charset::Cp1251;
    // A record that claims UTF-8 and is not: read as UTF-8, so that it is reported, not garbled.
    if (claimed != Charset::Auto)
        return claimed;
    return format == Format::Marc21 ? Charset::Marc8 : Charset::Cp1251;
}

} // namespace marc

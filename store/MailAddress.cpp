#include "MailAddress.h"

#include <QRegularExpression>
#include <QUrl>

namespace store {

namespace {

bool isLocalPartChar(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           QStringView(u"!#$%&'*+-/=?^_`{|}~.").contains(c);
}

bool isLocalPart(const QString &local)
{
    if (local.isEmpty() || local.size() > 64 || local.startsWith(u'.') || local.endsWith(u'.') ||
        local.contains(QStringLiteral("..")))
        return false;
    return std::all_of(local.begin(), local.end(), isLocalPartChar);
}

// A host name of two labels at least, each of letters, digits and inner hyphens, the last not a number.
bool isDomain(const QString &ascii)
{
    static const QRegularExpression label(QStringLiteral("^[A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?$"));
    const QStringList labels = ascii.split(u'.');
    if (ascii.size() > 253 || labels.size() < 2)
        return false;
    for (const QString &l : labels)
        if (!label.match(l).hasMatch())
            return false;
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    return !digits.match(labels.last()).hasMatch();
}

QString withoutControls(const QString &text)
{
    QString out = text;
    for (QChar &c : out)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u' ';
    return out;
}

bool isPlainAscii(const QString &text)
{
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return false;
    return !text.contains(QStringLiteral("=?"));
}

// Encoded words of at most wordBytes of UTF-8 each, never splitting a character.
QByteArray encodedWords(const QString &text, qsizetype wordBytes)
{
    QByteArray out;
    QByteArray word;
    const auto flush = [&] {
        if (word.isEmpty())
            return;
        if (!out.isEmpty())
            out += "\r\n ";
        out += "=?UTF-8?B?" + word.toBase64() + "?=";
        word.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
        const QByteArray bytes = text.mid(i, length).toUtf8();
        if (word.size() + bytes.size() > wordBytes)
            flush();
        word += bytes;
        i += length - 1;
    }
    flush();
    return out;
}

} // namespace

QString sendableAddress(const QString &typed)
{
    const QString address = typed.trimmed();
    const qsizetype at = address.indexOf(u'@');
    if (at < 0 || address.indexOf(u'@', at + 1) >= 0)
        return {};
    const QString local = address.left(at);
    const QString domain = QString::fromLatin1(QUrl::toAce(address.mid(at + 1)));
    if (!isLocalPart(local) || !isDomain(domain) || local.size() + 1 + domain.size() > 254)
        return {};
    return local + u'@' + domain;
}

Mailbox parseMailbox(const QString &text)
{
    const QString t = text.trimmed();
    const qsizetype open = t.lastIndexOf(u'<');
    if (open < 0 || !t.endsWith(u'>'))
        return {QString(), t};
    QString name = t.left(open).trimmed();
    if (name.size() >= 2 && name.startsWith(u'"') && name.endsWith(u'"'))
        name = name.mid(1, name.size() - 2);
    return {name, t.mid(open + 1, t.size() - open - 2).trimmed()};
}

QByteArray encodedHeaderText(const QString &text)
{
    const QString clean = withoutControls(text);
    if (isPlainAscii(clean) && clean.size() <= 68)
        return clean.toLatin1();
    // 39 bytes are 64 characters on the wire: "Subject: " and a word stay within 78.
    return encodedWords(clean, 39);
}

QByteArray mailboxHeader(const QString &name, const QString &address)
{
    const QString clean = withoutControls(name).simplified();
    if (clean.isEmpty())
        return address.toLatin1();
    static const QRegularExpression atom(QStringLiteral("^[A-Za-z0-9 ]{1,60}$"));
    // A name in as few words as fit "From: " and 78 characters (45 bytes, 72 on the wire): some
    // readers wrongly keep the break between two words as a blank.
    const QByteArray phrase = atom.match(clean).hasMatch() ? clean.toLatin1() : encodedWords(clean, 45);
    // The address goes on a line of its own when the name's last line leaves no room for it.
    const qsizetype lastLine = phrase.size() - phrase.lastIndexOf('\n') - 1;
    return phrase + (lastLine + address.size() > 68 ? "\r\n <" : " <") + address.toLatin1() + '>';
}

} // namespace store

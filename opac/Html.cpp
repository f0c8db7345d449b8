// The one place where text becomes HTML.
#include "Html.h"

namespace opac {

Html &Html::operator<<(Markup markup)
{
    out_.append(markup.text().data(), qsizetype(markup.text().size()));
    return *this;
}

Html &Html::text_(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    out_.reserve(out_.size() + utf8.size());
    for (const char c : utf8) {
        switch (c) {
        case '&': out_.append("&amp;"); break;
        case '<': out_.append("&lt;"); break;
        case '>': out_.append("&gt;"); break;
        case '"': out_.append("&quot;"); break;
        case '\'': out_.append("&#39;"); break;
        // Control characters other than line breaks and tabs are not allowed in HTML text.
        case '\t':
        case '\n': out_.append(c); break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
                out_.append(' ');
            else
                out_.append(c);
        }
    }
    return *this;
}

Html &Html::operator<<(qint64 number)
{
    out_.append(QByteArray::number(number));
    return *this;
}

QString urlEncoded(const QString &text)
{
    return QString::fromLatin1(text.toUtf8().toPercentEncoding());
}

} // namespace opac

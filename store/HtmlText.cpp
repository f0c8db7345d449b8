#include "HtmlText.h"

#include "data/DataError.h"

#include <QSaveFile>

namespace store {

using data::DataError;

QString htmlEscape(const QString &text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'&': out += QLatin1String("&amp;"); break;
        case u'<': out += QLatin1String("&lt;"); break;
        case u'>': out += QLatin1String("&gt;"); break;
        case u'"': out += QLatin1String("&quot;"); break;
        default: out += c;
        }
    }
    return out;
}

void CrLfToBr(QString &text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("<br>"));
}

void writePageFile(const QString &fileName, const QByteArray &page)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(page) != page.size() || !file.commit())
        throw data::DataError(QStringLiteral("Не удается записать файл «%1»: %2").arg(fileName, file.errorString()));
}


} // namespace store

// The standard description of a holding from any field texts: it ends with the content type
// area, holds no line break or doubled blank, starts with its heading, and names every author
// (up to four), the publisher and the year it was given.
#include "AuthorNames.h"
#include "BibDescription.h"
#include "FuzzCheck.h"

#include <QStringList>
#include <cstddef>
#include <cstdint>

using fuzzcheck::check;
using fuzzcheck::shown;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString input = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QStringList f = input.split(QChar(0x1E));
    store::DescribedHolding h{f.value(0), f.value(1), f.value(2), f.value(3), f.value(4).toInt() % 10000,
                              f.value(5).toInt() % 100000, f.value(6), f.value(7), f.value(8)};
    const store::BibDescription d = store::describeHolding(h);
    const QString text = d.text();
    check(text.endsWith(QStringLiteral("Текст : непосредственный.")) || text.endsWith(QStringLiteral("Текст : электронный.")),
          "the content type area comes last", shown(text));
    for (const char *bad : {"\r", "\n", "\t", "  "})
        check(!text.contains(QString::fromLatin1(bad)), "no line break, tab or doubled blank", shown(text));
    if (!d.heading.isEmpty()) {
        check(d.heading.endsWith(u'.') && text.startsWith(d.heading + u' '), "the heading starts the description",
              shown(text));
        check(!h.author.trimmed().isEmpty(), "a heading comes from an author", shown(h.author));
    }
    QList<store::AuthorName> authors;
    for (const store::AuthorName &n : store::parseAuthorNames(h.author))
        if (n.role.isEmpty())
            authors << n;
    if (authors.size() <= 4)
        for (const store::AuthorName &n : authors)
            check(text.contains(n.statementForm()), "every author is named", shown(text) + u' ' + shown(n.statementForm()));
    const QString publisher = h.publisher.simplified();
    check(publisher.isEmpty() || text.contains(publisher), "the publisher is named", shown(text));
    check(h.year <= 0 || text.contains(QString::number(h.year)), "the year is given", shown(text));
    return 0;
}

// The keyword box's text: split, joined as the box shows it, and split again gives the same
// keywords, none of them empty or starting with a blank.
#include "FuzzCheck.h"
#include "KeywordText.h"

#include <QStringList>
#include <cstddef>
#include <cstdint>

using fuzzcheck::check;
using fuzzcheck::shown;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QStringList keywords = store::splitKeywords(text);
    for (const QString &k : keywords) {
        check(!k.isEmpty(), "no keyword is empty", shown(text));
        check(k[0] != u' ' && k[0] != u'\t' && k[0] != u'\r' && k[0] != u'\n', "no keyword starts with a blank",
              shown(text) + QStringLiteral(" gave ") + shown(k));
    }
    const QString joined = store::joinKeywords(keywords);
    const QStringList again = store::splitKeywords(joined);
    check(again == keywords, "split, join and split again gives the same keywords",
          shown(text) + QStringLiteral("\nfirst: ") + shown(keywords.join(u'|')) + QStringLiteral("\nagain: ")
              + shown(again.join(u'|')));
    return 0;
}

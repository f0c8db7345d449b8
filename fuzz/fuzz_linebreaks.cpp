// A multi-line box's text stored with CR LF line breaks and shown again: every line break is a
// CR LF pair in the store, none is left in the box, and no other character changes.
#include "FuzzCheck.h"
#include "LineBreaks.h"

#include <cstddef>
#include <cstdint>

using fuzzcheck::check;
using fuzzcheck::shown;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QString stored = ui::storedLineBreaks(text);
    for (qsizetype i = 0; i < stored.size(); ++i) {
        if (stored[i] == u'\r')
            check(i + 1 < stored.size() && stored[i + 1] == u'\n', "every CR in the store starts a CR LF pair", shown(stored));
        if (stored[i] == u'\n')
            check(i > 0 && stored[i - 1] == u'\r', "every LF in the store ends a CR LF pair", shown(stored));
    }
    const QString inBox = ui::shownLineBreaks(stored);
    check(!inBox.contains(u'\r'), "the box shows no CR", shown(inBox));
    check(inBox == ui::shownLineBreaks(text), "stored and shown again, the text is the box's", shown(text) + u' ' + shown(inBox));
    check(ui::storedLineBreaks(inBox) == stored, "shown and stored again, nothing changes", shown(stored));
    check(inBox.count(u'\n') == stored.count(QStringLiteral("\r\n")), "as many line breaks in the box as in the store",
          shown(text));
    QString plain = text;
    plain.remove(u'\r').remove(u'\n');
    QString storedPlain = stored;
    storedPlain.remove(u'\r').remove(u'\n');
    check(plain == storedPlain, "no character but the line breaks changes", shown(text));
    return 0;
}

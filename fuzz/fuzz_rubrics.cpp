// The rubric text of a record: its elements are what stands between the ";", and every
// well-formed element (ids each followed by ".") reads back through rubricPath and rubricElement,
// with LastRubricId naming its last id. A path of ids written and read again is the same path.
#include "FuzzCheck.h"
#include "RubricText.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QRegularExpression>
#include <QStringList>
#include <cstddef>
#include <cstdint>

using fuzzcheck::check;
using fuzzcheck::shown;

namespace {

// Ids as the program writes them: decimal, no sign, no leading zero, within 64 bits.
bool wellFormed(const QString &element)
{
    static const QRegularExpression shape(QRegularExpression::anchoredPattern(QStringLiteral("((0|[1-9][0-9]{0,17})\\.)+")));
    return shape.match(element).hasMatch();
}

void checkText(const QString &text)
{
    for (const QString &e : store::rubricElements(text)) {
        check(!e.isEmpty() && !e.startsWith(u' ') && !e.contains(u';'), "elements are trimmed pieces between ;",
              shown(text) + QStringLiteral(" gave ") + shown(e));
        if (!wellFormed(e))
            continue;
        const QList<qint64> path = store::rubricPath(e);
        check(store::rubricElement(path) == e + u';', "a well-formed element reads back", shown(e));
        check(store::LastRubricId(e) == QString::number(path.last()), "LastRubricId is the last id", shown(e));
    }
}

void checkPath(FuzzedDataProvider &in)
{
    QList<qint64> path;
    while (in.remaining_bytes() > 0 && path.size() < 64)
        path << in.ConsumeIntegral<qint64>();
    if (path.isEmpty())
        return;
    const QString element = store::rubricElement(path);
    const QStringList elements = store::rubricElements(element + element);
    check(elements.size() == 2, "an element written twice is two elements", shown(element));
    check(store::rubricPath(elements[0]) == path, "a written path reads back", shown(element));
    check(store::LastRubricId(elements[0]) == QString::number(path.last()), "LastRubricId of a written path",
          shown(element));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    if (in.ConsumeBool()) {
        checkPath(in);
    } else {
        const std::string text = in.ConsumeRemainingBytesAsString();
        checkText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    }
    return 0;
}

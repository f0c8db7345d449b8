// MARC files as the import reads them: every record comes out either read (with a title) or with
// a reason, numbered in order, the same on a second reading; a file refused is refused with a
// reason; and what the stream reader gives, whole bytes read at once give too.
#include "FuzzCheck.h"
#include "MarcReader.h"
#include "data/DataError.h"

#include <cstddef>
#include <cstdint>

using fuzzcheck::check;
using fuzzcheck::shown;
using namespace marc;

namespace {

QString describe(const ReadRecord &r)
{
    QStringList parts{QString::number(r.number), r.problem};
    for (int i = 0; i < BookFieldCount; ++i)
        parts << shown(fieldText(r.fields, BookField(i)));
    return parts.join(u'|');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    std::vector<ReadRecord> first, second;
    try {
        first = MarcReader().readFile(bytes, {});
        second = MarcReader().readFile(bytes, {});
    } catch (const data::DataError &e) {
        check(!e.message().isEmpty(), "a refused file is refused with a reason");
        return 0;
    }
    check(!first.empty(), "a file taken for MARC gives a record or a reason");
    check(first.size() == second.size(), "reading twice gives as many records");
    for (std::size_t i = 0; i < first.size(); ++i) {
        const ReadRecord &r = first[i];
        check(r.number == int(i) + 1, "records are numbered in order", describe(r));
        check(r.ok() ? !r.fields.title.isEmpty() : !r.problem.isEmpty(), "a record is read with a title or has a reason", describe(r));
        check(describe(r) == describe(second[i]), "reading twice gives the same record", describe(r) + u'\n' + describe(second[i]));
    }
    return 0;
}

// my_lower: on valid UTF-8 it agrees with full Unicode lower-casing whichever path takes the
// text, and the SQL function gives the same bytes, NUL characters and all.
#include "FuzzCheck.h"
#include "MyLower.h"

#include <QByteArray>
#include <QStringDecoder>
#include <cstddef>
#include <cstdint>
#include <sqlite3.h>
#include <string>

using fuzzcheck::check;
using fuzzcheck::shown;

namespace {

sqlite3_stmt *lowerStatement()
{
    static sqlite3 *db = fuzzcheck::memoryDatabase("");
    static sqlite3_stmt *stmt = [] {
        sqlite3_stmt *s = nullptr;
        sqlite3_prepare_v2(db, "SELECT my_lower(?1)", -1, &s, nullptr);
        return s;
    }();
    return stmt;
}

std::string viaSql(const std::string &text)
{
    sqlite3_stmt *stmt = lowerStatement();
    sqlite3_bind_text(stmt, 1, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    std::string out;
    if (sqlite3_step(stmt) == SQLITE_ROW) {
        const auto *bytes = static_cast<const char *>(sqlite3_column_blob(stmt, 0));
        out.assign(bytes ? bytes : "", static_cast<std::size_t>(sqlite3_column_bytes(stmt, 0)));
    }
    sqlite3_reset(stmt);
    return out;
}

// UTF-8 decoded whole, a leading U+FEFF kept as a character.
QString decoded(const std::string &utf8, bool *valid)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    const QString text = decoder.decode(QByteArrayView(utf8.data(), static_cast<qsizetype>(utf8.size())));
    *valid = !decoder.hasError();
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    std::string lowered;
    store::lowerUtf8(text, lowered);
    bool valid = false;
    const QString original = decoded(text, &valid);
    if (valid)
        check(decoded(lowered, &valid) == original.toLower(), "lower-casing agrees with Unicode", shown(original));
    check(viaSql(text) == lowered, "my_lower in SQL gives what lowerUtf8 gives", shown(original));
    return 0;
}

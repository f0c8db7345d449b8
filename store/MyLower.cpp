#include "MyLower.h"

#include <QString>

namespace store {

namespace {

// Returns false when the text holds a character the fast path does not know.
bool lowerLatinCyrillic(std::string_view in, std::string &out)
{
    out.resize(in.size());
    char *dst = out.data();
    const auto *p = reinterpret_cast<const unsigned char *>(in.data());
    const auto *end = p + in.size();
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            *dst++ = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
            ++p;
            continue;
        }
        if (p + 1 >= end)
            return false;
        const unsigned char d = p[1];
        if (c == 0xD0) {
            if (d >= 0x90 && d <= 0x9F) { // А..П
                dst[0] = char(0xD0), dst[1] = char(d + 0x20);
            } else if (d >= 0xA0 && d <= 0xAF) { // Р..Я
                dst[0] = char(0xD1), dst[1] = char(d - 0x20);
            } else if (d >= 0x80 && d <= 0x8F) { // Ѐ..Џ, Ё among them
                dst[0] = char(0xD1), dst[1] = char(d + 0x10);
            } else if (d >= 0xB0 && d <= 0xBF) { // а..п
                dst[0] = char(c), dst[1] = char(d);
            } else {
                return false;
            }
        } else if (c == 0xD1 && d >= 0x80 && d <= 0x9F) { // р..я, ѐ..џ
            dst[0] = char(c), dst[1] = char(d);
        } else {
            return false;
        }
        dst += 2;
        p += 2;
    }
    return true;
}

} // namespace

void lowerUtf8(std::string_view text, std::string &out)
{
    if (lowerLatinCyrillic(text, out))
        return;
    const QByteArray lowered =
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toLower().toUtf8();
    out.assign(lowered.constData(), static_cast<std::size_t>(lowered.size()));
}

void myLowerSqlFunction(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    if (argc < 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_text(context, "", 0, SQLITE_STATIC);
        return;
    }
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
    const int bytes = sqlite3_value_bytes(argv[0]);
    // One buffer per thread: the engine calls this once per row and copies the result.
    thread_local std::string buffer;
    lowerUtf8(std::string_view(text ? text : "", static_cast<std::size_t>(bytes)), buffer);
    sqlite3_result_text(context, buffer.data(), static_cast<int>(buffer.size()), SQLITE_TRANSIENT);
}

} // namespace store

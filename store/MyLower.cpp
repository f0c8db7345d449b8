#include "MyLower.h"

#include "data/engines/ServerSql.h"

#include <QString>
#include <QStringDecoder>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace store {

namespace {

// One character at a time, for the last bytes of a text.
bool lowerScalar(const unsigned char *p, std::size_t n, unsigned char *dst)
{
    const unsigned char *end = p + n;
    while (p < end) {
        const unsigned c = *p;
        if (c < 0x80) {
            *dst++ = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
            ++p;
            continue;
        }
        if (p + 1 >= end)
            return false;
        const unsigned d = p[1];
        if (c == 0xD0) {
            if (d >= 0x90 && d <= 0x9F) { // А..П
                dst[0] = 0xD0, dst[1] = static_cast<unsigned char>(d + 0x20);
            } else if (d >= 0xA0 && d <= 0xAF) { // Р..Я
                dst[0] = 0xD1, dst[1] = static_cast<unsigned char>(d - 0x20);
            } else if (d >= 0x80 && d <= 0x8F) { // Ѐ..Џ, Ё among them
                dst[0] = 0xD1, dst[1] = static_cast<unsigned char>(d + 0x10);
            } else if (d >= 0xB0 && d <= 0xBF) { // а..п
                dst[0] = 0xD0, dst[1] = static_cast<unsigned char>(d);
            } else {
                return false;
            }
        } else if (c == 0xD1 && d >= 0x80 && d <= 0x9F) { // р..я, ѐ..џ
            dst[0] = 0xD1, dst[1] = static_cast<unsigned char>(d);
        } else {
            return false;
        }
        dst += 2;
        p += 2;
    }
    return true;
}

#ifdef __SSE2__
// Sixteen bytes at once; prev and next hold each byte's neighbours. False when a byte is
// outside ASCII and two-byte Cyrillic, or a sequence is broken.
inline bool lowerBlock(__m128i v, __m128i prev, __m128i next, __m128i &out)
{
    const __m128i c0 = _mm_set1_epi8(char(0xC0));
    const __m128i cont = _mm_cmpeq_epi8(_mm_and_si128(v, c0), _mm_set1_epi8(char(0x80)));
    const __m128i lead = _mm_cmpeq_epi8(_mm_and_si128(v, c0), c0);
    const __m128i d0 = _mm_set1_epi8(char(0xD0)), d1 = _mm_set1_epi8(char(0xD1));
    const __m128i d0d1 = _mm_cmpeq_epi8(_mm_and_si128(v, _mm_set1_epi8(char(0xFE))), d0);
    const __m128i prevD0 = _mm_cmpeq_epi8(prev, d0), prevD1 = _mm_cmpeq_epi8(prev, d1);
    const __m128i nextCont = _mm_cmpeq_epi8(_mm_and_si128(next, c0), _mm_set1_epi8(char(0x80)));
    const __m128i x20 = _mm_set1_epi8(0x20), x30 = _mm_set1_epi8(0x30);
    const __m128i bits54 = _mm_and_si128(v, x30);
    __m128i bad = _mm_andnot_si128(d0d1, lead);
    bad = _mm_or_si128(bad, _mm_and_si128(_mm_and_si128(prevD1, cont), _mm_cmpeq_epi8(_mm_and_si128(v, x20), x20)));
    bad = _mm_or_si128(bad, _mm_andnot_si128(_mm_or_si128(prevD0, prevD1), cont));
    bad = _mm_or_si128(bad, _mm_andnot_si128(nextCont, d0d1));
    if (_mm_movemask_epi8(bad))
        return false;
    // Signed compares: bytes from 0x80 up are negative, so only ASCII can be a capital.
    const __m128i capitalAscii = _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8('A' - 1)), _mm_cmplt_epi8(v, _mm_set1_epi8('Z' + 1)));
    const __m128i afterD0 = _mm_and_si128(prevD0, cont);
    const __m128i c80 = _mm_and_si128(afterD0, _mm_cmpeq_epi8(bits54, _mm_setzero_si128()));
    const __m128i c90 = _mm_and_si128(afterD0, _mm_cmpeq_epi8(bits54, _mm_set1_epi8(0x10)));
    const __m128i cA0 = _mm_and_si128(afterD0, _mm_cmpeq_epi8(bits54, x20));
    // A lead D0 before 80..8F or A0..AF (bit 4 clear) becomes D1.
    const __m128i toD1 = _mm_and_si128(_mm_and_si128(_mm_cmpeq_epi8(v, d0), nextCont),
                                       _mm_cmpeq_epi8(_mm_and_si128(next, _mm_set1_epi8(0x10)), _mm_setzero_si128()));
    __m128i add = _mm_and_si128(_mm_or_si128(capitalAscii, c90), x20);
    add = _mm_or_si128(add, _mm_and_si128(c80, _mm_set1_epi8(0x10)));
    add = _mm_or_si128(add, _mm_and_si128(toD1, _mm_set1_epi8(0x01)));
    out = _mm_sub_epi8(_mm_add_epi8(v, add), _mm_and_si128(cA0, x20));
    return true;
}
#endif

// Lower-cases n bytes into dst; false when the text holds a character the fast path does not
// know. Sixteen bytes at a time where the processor allows.
bool lowerLatinCyrillic(const unsigned char *in, std::size_t n, unsigned char *dst)
{
    std::size_t i = 0;
#ifdef __SSE2__
    if (n >= 18) {
        __m128i out;
        // The first block has no byte before it: its neighbour is taken as 0 (ASCII).
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in));
        if (!lowerBlock(v, _mm_slli_si128(v, 1), _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + 1)), out))
            return false;
        _mm_storeu_si128(reinterpret_cast<__m128i *>(dst), out);
        for (i = 16; i + 17 <= n; i += 16) {
            v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i));
            if (!lowerBlock(v, _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i - 1)),
                            _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i + 1)), out))
                return false;
            _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + i), out);
        }
        // Finish on a character boundary: step back over a continuation byte.
        while (i < n && (in[i] & 0xC0) == 0x80)
            --i;
    }
#endif
    return lowerScalar(in + i, n - i, dst + i);
}

} // namespace

void lowerUtf8(std::string_view text, std::string &out)
{
    out.resize(text.size());
    if (lowerLatinCyrillic(reinterpret_cast<const unsigned char *>(text.data()), text.size(),
                           reinterpret_cast<unsigned char *>(out.data())))
        return;
    // Decoded whole and with a leading U+FEFF kept, which QString::fromUtf8 would drop.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    const QString decoded = utf8.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    const QByteArray lowered = decoded.toLower().toUtf8();
    out.assign(lowered.constData(), static_cast<std::size_t>(lowered.size()));
}

void myLowerSqlFunction(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    if (argc < 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_text(context, "", 0, SQLITE_STATIC);
        return;
    }
    const auto *text = sqlite3_value_text(argv[0]);
    const int bytes = sqlite3_value_bytes(argv[0]);
    // Lower-cased straight into a buffer the engine takes over, and handed on NUL-terminated
    // (length -1): a counted result would be copied again when LIKE asks for its text.
    auto *out = static_cast<unsigned char *>(sqlite3_malloc64(sqlite3_uint64(bytes) + 1));
    if (!out) {
        sqlite3_result_error_nomem(context);
        return;
    }
    if (lowerLatinCyrillic(text, std::size_t(bytes), out)) {
        out[bytes] = 0;
        // A text holding NUL must be counted, or it would end at the first one.
        const bool holdsNul = std::memchr(out, 0, std::size_t(bytes)) != nullptr;
        sqlite3_result_text(context, reinterpret_cast<char *>(out), holdsNul ? bytes : -1, sqlite3_free);
        return;
    }
    sqlite3_free(out);
    std::string buffer;
    lowerUtf8(std::string_view(reinterpret_cast<const char *>(text), std::size_t(bytes)), buffer);
    sqlite3_result_text(context, buffer.data(), int(buffer.size()), SQLITE_TRANSIENT);
}

QByteArray inlineMyLower(const QByteArray &utf8)
{
    return data::inlineCalls(utf8, QByteArrayLiteral("my_lower"), MyLowerOnServer);
}

} // namespace store

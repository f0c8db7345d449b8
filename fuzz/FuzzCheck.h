#pragma once

// What every fuzz target shares: a failed check prints what was expected and aborts, so that
// libFuzzer keeps the input as a crash to be replayed.
#include <QString>
#include <cstdio>
#include <cstdlib>

namespace fuzzcheck {

[[noreturn]] inline void fail(const char *what, const QString &detail)
{
    std::fprintf(stderr, "CHECK FAILED: %s\n%s\n", what, detail.toUtf8().constData());
    std::abort();
}

inline void check(bool ok, const char *what, const QString &detail = QString())
{
    if (!ok)
        fail(what, detail);
}

// Text shown with its control characters escaped, so a failing input can be read and copied.
inline QString shown(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c.isSurrogate())
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return u'"' + out + u'"';
}

} // namespace fuzzcheck

#pragma once

#include <QByteArray>
#include <QString>
#include <string_view>

namespace opac {

// Markup written in the program's own code. Only a string literal can become one, so no text
// read from the catalogue or from a request can ever reach a page unescaped.
class Markup {
public:
    template <std::size_t N>
    consteval Markup(const char (&literal)[N]) : text_(literal, N - 1) {}
    std::string_view text() const { return text_; }

private:
    std::string_view text_;
};

// A page being written as UTF-8. Text is escaped for HTML by default, in element content and in
// attribute values alike (both quotes included); only Markup goes in as it is.
class Html {
public:
    Html &operator<<(Markup markup);
    Html &operator<<(const QString &text);
    Html &operator<<(qint64 number);
    Html &operator<<(int number) { return *this << qint64(number); }
    const QByteArray &bytes() const { return out_; }
    QByteArray take() { return std::move(out_); }

private:
    QByteArray out_;
};

// What a URL's query carries: each text percent-encoded as a form sends it.
QString urlEncoded(const QString &text);

} // namespace opac

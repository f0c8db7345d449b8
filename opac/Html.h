#pragma once

#include <QByteArray>
#include <QString>
#include <concepts>
#include <string_view>
#include <type_traits>

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
    // Any text but a string literal, which is Markup: a literal is never escaped by mistake.
    template <typename T>
        requires(std::convertible_to<const T &, QString> && !std::is_array_v<T>)
    Html &operator<<(const T &text)
    {
        return text_(QString(text));
    }
    Html &operator<<(qint64 number);
    Html &operator<<(int number) { return *this << qint64(number); }
    const QByteArray &bytes() const { return out_; }
    QByteArray take() { return std::move(out_); }

private:
    Html &text_(const QString &text);
    QByteArray out_;
};

// What a URL's query carries: each text percent-encoded as a form sends it.
QString urlEncoded(const QString &text);

} // namespace opac

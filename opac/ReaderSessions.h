#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <chrono>
#include <mutex>
#include <optional>

namespace opac {

using Clock = std::chrono::steady_clock;

// Readers signed in to "Мои книги", each by a random token her browser keeps as a cookie. They
// live in this process alone: after a restart a reader is simply asked to sign in again.
class ReaderSessions {
public:
    struct Session {
        qint64 readerId = 0;
        QString card;
    };
    // At most this many at once; beyond it the longest unused is dropped.
    static constexpr int MaxSessions = 20000;

    explicit ReaderSessions(std::chrono::minutes idle) : idle_(idle) {}

    // A new session and its token: 32 random bytes from libsodium, as 64 hex digits.
    QByteArray open(qint64 readerId, const QString &card, Clock::time_point now = Clock::now());
    // The session of the token while it has been used within the idle time; using it extends it.
    std::optional<Session> find(const QByteArray &token, Clock::time_point now = Clock::now());
    void close(const QByteArray &token);

private:
    struct Entry {
        Session session;
        Clock::time_point used;
    };
    void dropStale(Clock::time_point now);

    const std::chrono::minutes idle_;
    std::mutex mutex_;
    QHash<QByteArray, Entry> sessions_;
};

// Failed sign-ins counted per card and per address over a quarter of an hour: a card is closed
// after MaxPerCard of them, an address after MaxPerAddress, until the quarter has passed.
class SignInGuard {
public:
    static constexpr int MaxPerCard = 5;
    static constexpr int MaxPerAddress = 20;
    static constexpr std::chrono::minutes Window{15};

    // How long the card or the address must wait; zero when it may try now.
    std::chrono::seconds wait(const QString &card, const QString &address, Clock::time_point now = Clock::now());
    void failed(const QString &card, const QString &address, Clock::time_point now = Clock::now());
    // A right PIN forgives the card's failures; the address's stay.
    void succeeded(const QString &card);

private:
    struct Failures {
        int count = 0;
        Clock::time_point first;
    };
    using Counts = QHash<QString, Failures>;
    static std::chrono::seconds waitOf(Counts &counts, const QString &key, int limit, Clock::time_point now);
    static void count(Counts &counts, const QString &key, Clock::time_point now);

    std::mutex mutex_;
    Counts cards_, addresses_;
};

} // namespace opac

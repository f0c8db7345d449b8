#include "ReaderSessions.h"

#include <sodium.h>

namespace opac {

QByteArray ReaderSessions::open(qint64 readerId, const QString &card, Clock::time_point now)
{
    unsigned char bytes[32];
    randombytes_buf(bytes, sizeof bytes);
    const QByteArray token = QByteArray(reinterpret_cast<const char *>(bytes), sizeof bytes).toHex();
    const std::lock_guard lock(mutex_);
    if (sessions_.size() >= MaxSessions)
        dropStale(now);
    if (sessions_.size() >= MaxSessions) {
        auto oldest = sessions_.begin();
        for (auto it = sessions_.begin(); it != sessions_.end(); ++it)
            if (it->used < oldest->used)
                oldest = it;
        sessions_.erase(oldest);
    }
    sessions_.insert(token, {{readerId, card}, now});
    return token;
}

std::optional<ReaderSessions::Session> ReaderSessions::find(const QByteArray &token, Clock::time_point now)
{
    if (token.size() != 64)
        return std::nullopt;
    const std::lock_guard lock(mutex_);
    const auto it = sessions_.find(token);
    if (it == sessions_.end())
        return std::nullopt;
    if (now - it->used > idle_) {
        sessions_.erase(it);
        return std::nullopt;
    }
    it->used = now;
    return it->session;
}

void ReaderSessions::close(const QByteArray &token)
{
    const std::lock_guard lock(mutex_);
    sessions_.remove(token);
}

void ReaderSessions::dropStale(Clock::time_point now)
{
    sessions_.removeIf([&](const auto &entry) { return now - entry.value().used > idle_; });
}

std::chrono::seconds SignInGuard::waitOf(Counts &counts, const QString &key, int limit, Clock::time_point now)
{
    const auto it = counts.find(key);
    if (it == counts.end())
        return std::chrono::seconds(0);
    const Clock::duration left = it->first + Window - now;
    if (left <= Clock::duration::zero()) {
        counts.erase(it);
        return std::chrono::seconds(0);
    }
    if (it->count < limit)
        return std::chrono::seconds(0);
    return std::chrono::ceil<std::chrono::seconds>(left);
}

void SignInGuard::count(Counts &counts, const QString &key, Clock::time_point now)
{
    // Many addresses or cards tried once each must not grow the tables for ever.
    if (counts.size() > 100000)
        counts.removeIf([&](const auto &entry) { return entry.value().first + Window <= now; });
    Failures &f = counts[key];
    if (f.count == 0 || f.first + Window <= now)
        f = {0, now};
    ++f.count;
}

std::chrono::seconds SignInGuard::wait(const QString &card, const QString &address, Clock::time_point now)
{
    const std::lock_guard lock(mutex_);
    return std::max(waitOf(cards_, card, MaxPerCard, now), waitOf(addresses_, address, MaxPerAddress, now));
}

void SignInGuard::failed(const QString &card, const QString &address, Clock::time_point now)
{
    const std::lock_guard lock(mutex_);
    count(cards_, card, now);
    count(addresses_, address, now);
}

void SignInGuard::succeeded(const QString &card)
{
    const std::lock_guard lock(mutex_);
    cards_.remove(card);
}

} // namespace opac

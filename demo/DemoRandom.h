#pragma once

#include <QtGlobal>
#include <cstdint>
#include <span>

namespace demo {

// A small generator of our own (splitmix64): unlike the standard distributions its sequence is
// the same with every compiler and library, so one seed always gives one catalogue.
class Rng {
public:
    explicit Rng(quint32 seed) : state_(0x9E3779B97F4A7C15ULL ^ seed) {}

    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // 0 .. n-1 (0 when n <= 0).
    int below(int n)
    {
        if (n <= 0)
            return 0;
        return int(((next() >> 32) * std::uint64_t(n)) >> 32);
    }

    // lo .. hi inclusive.
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }

    // True with the given probability in percent.
    bool percent(int p) { return below(100) < p; }

    template<typename T>
    const T &pick(std::span<const T> items)
    {
        return items[std::size_t(below(int(items.size())))];
    }
    template<typename T, std::size_t N>
    const T &pick(const T (&items)[N])
    {
        return items[std::size_t(below(int(N)))];
    }

private:
    std::uint64_t state_;
};

} // namespace demo

#include "BenchUtil.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace bench {

namespace {
volatile long long sink = 0;
std::string suffix;
} // namespace

void setFigureSuffix(const std::string &text) { suffix = text; }
const std::string &figureSuffix() { return suffix; }

void keep(long long value) { sink = sink + value; }

double timeMs(const std::function<void()> &work)
{
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

double residentMiB()
{
    long pagesTotal = 0, pagesResident = 0;
    if (FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pagesTotal, &pagesResident) != 2)
            pagesResident = 0;
        std::fclose(f);
    }
    return double(pagesResident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

Samples interleave(int rounds, const Side &ours, const Side &ref)
{
    Samples s;
    for (int r = -1; r < rounds; ++r) {
        ours.prepare();
        const double a = timeMs(ours.run);
        ref.prepare();
        const double b = timeMs(ref.run);
        if (r < 0)
            continue; // warm-up: fills the file cache and the allocator's free lists
        s.ours.push_back(a);
        s.ref.push_back(b);
    }
    return s;
}

void printFigure(const std::string &name, const Samples &samples, int decimals, const char *unit)
{
    const double x = median(samples.ours);
    const double y = median(samples.ref);
    const std::string full = name + suffix;
    if (y > 0)
        std::printf("%s ours_%s=%.*f ref_%s=%.*f ratio=%.2f\n", full.c_str(), unit, decimals, x, unit, decimals, y,
                    x / y);
    else
        std::printf("%s ours_%s=%.*f ref_%s=%.*f ratio=n/a\n", full.c_str(), unit, decimals, x, unit, decimals, y);
    std::fflush(stdout);
}

} // namespace bench

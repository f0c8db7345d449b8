#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

// Elapsed time of one call in milliseconds, with the clock's full resolution.
double timeMs(const std::function<void()> &work);

double median(std::vector<double> values);

// Resident memory of this process in MiB, from /proc/self/statm.
double residentMiB();

// One side of a comparison: prepare runs untimed before each timed run.
struct Side {
    std::function<void()> prepare;
    std::function<void()> run;
};

struct Samples {
    std::vector<double> ours;
    std::vector<double> ref;
};

// Alternates the sides round by round (ours, ref, ours, ref, ...) so that both see the same
// state of a noisy machine; one untimed warm-up of each comes first.
Samples interleave(int rounds, const Side &ours, const Side &ref);

// A suffix every printed figure name gets, such as "_300k" for the larger catalogue.
void setFigureSuffix(const std::string &suffix);
const std::string &figureSuffix();

// Prints "<name><suffix> ours_<unit>=x ref_<unit>=y ratio=x/y" from the medians.
void printFigure(const std::string &name, const Samples &samples, int decimals, const char *unit = "ms");

// Keeps a computed value alive so that the optimizer cannot drop the work producing it.
void keep(long long value);

} // namespace bench

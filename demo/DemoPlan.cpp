#include "DemoPlan.h"

#include <algorithm>
#include <map>

namespace demo {

namespace {

// count distinct numbers from 0 .. population-1, in random order.
std::vector<int> sample(Rng &rng, int population, int count)
{
    std::vector<int> all(std::size_t(std::max(population, 0)));
    for (int i = 0; i < population; ++i)
        all[std::size_t(i)] = i;
    count = std::min(count, population);
    for (int i = 0; i < count; ++i)
        std::swap(all[std::size_t(i)], all[std::size_t(i + rng.below(population - i))]);
    all.resize(std::size_t(std::max(count, 0)));
    return all;
}

// Mostly the first kind, a few items of the other kinds, one in a hundred with no kind at all.
int chooseKind(Rng &rng, const std::vector<int> &kinds)
{
    const int r = rng.below(100);
    if (r == 0 || kinds.empty())
        return 0;
    if (r < 80 || kinds.size() == 1)
        return kinds.front();
    return kinds[std::size_t(1 + rng.below(int(kinds.size()) - 1))];
}

void planHoldings(Rng &rng, Plan &plan, const PlanSizes &sizes, const std::vector<int> &kinds)
{
    const qint64 first = firstRegistration.toJulianDay();
    const qint64 span = lastRegistration.toJulianDay() - first + 1;
    std::vector<qint64> dates(std::size_t(sizes.holdings));
    for (qint64 &date : dates)
        date = first + rng.below(int(span));
    std::sort(dates.begin(), dates.end());

    std::map<int, int> lastInvNum;
    plan.holdings.resize(dates.size());
    for (std::size_t i = 0; i < dates.size(); ++i) {
        Holding &h = plan.holdings[i];
        h.dateReg = dates[i];
        h.kind = chooseKind(rng, kinds);
        h.invNum = ++lastInvNum[h.kind];
    }

    const std::vector<int> electronic = sample(rng, sizes.holdings, sizes.electronicVersions);
    static const QString extensions[] = {QStringLiteral(".doc"), QStringLiteral(".pdf"), QStringLiteral(".txt")};
    for (std::size_t i = 0; i < electronic.size(); ++i) {
        Holding &h = plan.holdings[std::size_t(electronic[i])];
        h.electronic = true;
        // The first one is a file saved without an extension.
        h.extension = i == 0 ? QString() : extensions[(i - 1) % 3];
    }
}

Loan newLoan(Rng &rng, int holding, int readers)
{
    Loan loan;
    loan.holding = holding;
    // The lower of two draws: a few regular readers borrow far more than the rest.
    loan.reader = std::min(rng.below(readers), rng.below(readers));
    const int r = rng.below(100);
    loan.status = r < 70 ? 0 : r < 85 ? 1 : r < 95 ? 2 : 3;
    loan.cost = rng.percent(75) ? 0 : 50 * rng.between(2, 10);
    return loan;
}

// Past loans spread over the holding's life, then the open one, if any, near "now".
void lendHolding(Rng &rng, Plan &plan, int index, int returned, bool open, int readers)
{
    const qint64 start = plan.holdings[std::size_t(index)].dateReg + 1;
    const qint64 end = std::max(horizon.toJulianDay() - (open ? 365 : 0), start + 3 * returned + 3);
    const qint64 slot = (end - start) / std::max(returned, 1);
    qint64 lastIn = start - 1;
    for (int i = 0; i < returned; ++i) {
        Loan loan = newLoan(rng, index, readers);
        loan.dateOut = start + i * slot + rng.below(int(std::max<qint64>(1, slot / 3)));
        loan.dateIn = loan.dateOut + 1 + rng.below(int(std::clamp<qint64>(slot / 2, 1, 60)));
        lastIn = loan.dateIn;
        plan.loans.push_back(loan);
    }
    if (open) {
        Loan loan = newLoan(rng, index, readers);
        const int window = rng.percent(80) ? 120 : 1500; // a few have been overdue for years
        loan.dateOut = std::max(lastIn + 1, horizon.toJulianDay() - rng.below(window));
        plan.loans.push_back(loan);
    }
}

void planLoans(Rng &rng, Plan &plan, const PlanSizes &sizes)
{
    const int holdings = int(plan.holdings.size());
    if (holdings == 0 || sizes.loans <= 0)
        return;
    const int open = std::min(sizes.loans, (holdings + 2) / 4);
    std::vector<int> returned(std::size_t(holdings), 0);
    for (int i = 0; i < sizes.loans - open; ++i)
        ++returned[std::size_t(rng.below(holdings))];
    std::vector<bool> isOpen(std::size_t(holdings), false);
    for (int index : sample(rng, holdings, open))
        isOpen[std::size_t(index)] = true;

    plan.loans.reserve(std::size_t(sizes.loans));
    for (int h = 0; h < holdings; ++h)
        lendHolding(rng, plan, h, returned[std::size_t(h)], isOpen[std::size_t(h)], std::max(sizes.readers, 1));

    std::stable_sort(plan.loans.begin(), plan.loans.end(),
                     [](const Loan &a, const Loan &b) { return a.dateOut < b.dateOut; });
    for (std::size_t i = 0; i < plan.loans.size(); ++i) {
        if (plan.loans[i].dateIn == 0)
            plan.holdings[std::size_t(plan.loans[i].holding)].openLoan = int(i);
    }
}

} // namespace

Plan planCatalogue(Rng &rng, const PlanSizes &sizes, const std::vector<int> &kinds)
{
    Plan plan;
    planHoldings(rng, plan, sizes, kinds);
    planLoans(rng, plan, sizes);
    return plan;
}

} // namespace demo

#pragma once

#include "LoanStatistics.h"

#include <QList>
#include <QString>

namespace reports {

// Loans per month as stacked bars, one stack per request kind, drawn as an SVG element to be
// put inline into a page: no script, nothing fetched. Each kind has a hatching of its own besides
// its colour and the legend names them, so that a black-and-white print still tells them apart;
// a bar wide enough carries its total. Empty text when there is no month.
QString loanChartSvg(const QList<store::MonthLoans> &months);

// The step of the value axis: 1, 2 or 5 times a power of ten, so that at most five steps reach `largest`.
qint64 axisStep(qint64 largest);

} // namespace reports

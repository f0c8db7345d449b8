// The stacked bar chart of the loan statistics, as SVG text.
#include "LoanChart.h"

#include "HtmlText.h"

#include <algorithm>

namespace reports {

namespace {

constexpr double Width = 760, Height = 380;
constexpr double Left = 56, Right = Width - 12, Top = 64, Bottom = Height - 36;

QString num(double v) { return QString::number(v, 'f', 1); }

// The four fills: a colour for the screen and a hatching of black lines or dots for paper.
const char *const Patterns[store::LoanKindCount] = {
    R"(<rect width="6" height="6" fill="#1f4e79"/>)",
    R"(<rect width="6" height="6" fill="#f4b183"/><path d="M0 6L6 0M-1 1L1 -1M5 7L7 5" stroke="#000" stroke-width="1.2"/>)",
    R"(<rect width="6" height="6" fill="#a9d18e"/><path d="M0 3H6M3 0V6" stroke="#000" stroke-width="0.8"/>)",
    R"(<rect width="6" height="6" fill="#ffffff"/><circle cx="3" cy="3" r="1.1" fill="#000"/>)"};

QString definitions()
{
    QString defs = QStringLiteral("<defs>");
    for (int k = 0; k < store::LoanKindCount; ++k)
        defs += QStringLiteral("<pattern id=\"loanKind%1\" width=\"6\" height=\"6\" patternUnits=\"userSpaceOnUse\">")
                    .arg(k) +
                QString::fromUtf8(Patterns[k]) + QStringLiteral("</pattern>");
    return defs + QStringLiteral("</defs>\r\n");
}

QString legend()
{
    const QStringList names = store::loanKindNames();
    QString out;
    for (int k = 0; k < store::LoanKindCount; ++k) {
        const double x = Left + (k % 2) * 330, y = 8 + (k / 2) * 22;
        out += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"16\" height=\"14\" fill=\"url(#loanKind%3)\" "
                              "stroke=\"#000\"/><text x=\"%4\" y=\"%5\">%6</text>\r\n")
                   .arg(num(x), num(y))
                   .arg(k)
                   .arg(num(x + 22), num(y + 12), store::htmlEscape(names[k]));
    }
    return out;
}

QString valueAxis(qint64 top, qint64 step)
{
    QString out;
    for (qint64 v = 0; v <= top; v += step) {
        const double y = Bottom - (Bottom - Top) * double(v) / double(top);
        out += QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\" stroke=\"#bbb\"/>"
                              "<text x=\"%4\" y=\"%5\" text-anchor=\"end\">%6</text>\r\n")
                   .arg(num(Left), num(y), num(Right), num(Left - 6), num(y + 4))
                   .arg(v);
    }
    return out;
}

// Months between two labels, so that labels never crowd: a whole number of years past a year.
int labelEvery(double slot)
{
    for (int every : {1, 2, 3, 6, 12, 24, 60, 120, 240})
        if (slot * every >= 40)
            return every;
    return 600;
}

QString monthLabel(const store::MonthLoans &m, int index, int every, double x)
{
    const bool yearly = every >= 12;
    if (yearly ? (m.month != 1 || m.year % (every / 12) != 0) : index % every != 0)
        return {};
    const QString text = yearly ? QString::number(m.year)
                                : QStringLiteral("%1.%2").arg(m.month, 2, 10, QLatin1Char('0')).arg(m.year % 100, 2, 10,
                                                                                                   QLatin1Char('0'));
    return QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\">%3</text>\r\n").arg(num(x), num(Bottom + 16), text);
}

QString bar(const store::MonthLoans &m, double x, double width, qint64 top)
{
    QString out;
    double y = Bottom;
    for (int k = 0; k < store::LoanKindCount; ++k) {
        const qint64 count = m.byKind[std::size_t(k)];
        if (count <= 0)
            continue;
        const double h = (Bottom - Top) * double(count) / double(top);
        y -= h;
        out += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"url(#loanKind%5)\"%6/>")
                   .arg(num(x), num(y), num(width), num(h))
                   .arg(k)
                   .arg(width >= 3 ? QStringLiteral(" stroke=\"#000\" stroke-width=\"0.5\"") : QString());
    }
    if (width >= 14 && m.total() > 0)
        out += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\">%3</text>")
                   .arg(num(x + width / 2), num(y - 3))
                   .arg(m.total());
    return out.isEmpty() ? out : out + QStringLiteral("\r\n");
}

} // namespace

qint64 axisStep(qint64 largest)
{
    qint64 power = 1;
    for (;;) {
        for (qint64 factor : {1, 2, 5})
            if (largest <= 5 * factor * power)
                return factor * power;
        power *= 10;
    }
}

QString loanChartSvg(const QList<store::MonthLoans> &months)
{
    if (months.isEmpty())
        return {};
    qint64 largest = 1;
    for (const store::MonthLoans &m : months)
        largest = std::max(largest, m.total());
    const qint64 step = axisStep(largest);
    const qint64 top = (largest + step - 1) / step * step;
    QString svg = QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" viewBox=\"0 0 %1 %2\" "
                                 "role=\"img\" aria-labelledby=\"loanChartTitle\" font-family=\"sans-serif\" "
                                 "font-size=\"11\">\r\n<title id=\"loanChartTitle\">Выдачи по месяцам и видам заявок</title>\r\n")
                      .arg(Width)
                      .arg(Height);
    svg += definitions() + legend() + valueAxis(top, step);
    const double slot = (Right - Left) / double(months.size());
    const double width = std::max(1.0, slot * 0.7);
    const int every = labelEvery(slot);
    for (qsizetype i = 0; i < months.size(); ++i) {
        const double x = Left + double(i) * slot + (slot - width) / 2;
        svg += bar(months[i], x, width, top) + monthLabel(months[i], int(i), every, x + width / 2);
    }
    svg += QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\" stroke=\"#000\"/>\r\n</svg>\r\n")
               .arg(num(Left), num(Bottom), num(Right));
    return svg;
}

} // namespace reports

// The lending desk's rules from library.ini, and what it warns of.
#include "DeskRules.h"

#include "IniFile.h"
#include "Readers.h"

namespace store {

namespace {

const QString LoansSection = QStringLiteral("Loans");
const QString DeskSection = QStringLiteral("Desk");
const QString LimitKey = QStringLiteral("Limit");
constexpr int LargestLimit = 9999;

QString categoryKey(const QString &category) { return category.trimmed().toLower(); }

std::optional<int> limitValue(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value >= 0 && value <= LargestLimit ? std::optional<int>(value) : std::nullopt;
}

QString limitText(const Reader &reader, int limit)
{
    const QString category = reader.category.trimmed();
    return category.isEmpty() ? QStringLiteral("предел выдачи (%1)").arg(limit)
                              : QStringLiteral("предел для категории «%1» (%2)").arg(category).arg(limit);
}

} // namespace

int LoanLimits::forCategory(const QString &category) const
{
    return byCategory.value(categoryKey(category), byDefault);
}

LoanLimits readLoanLimits(const IniFile *settings)
{
    LoanLimits limits;
    if (!settings)
        return limits;
    const QString prefix = LimitKey + u'.';
    for (const auto &[key, value] : settings->readSection(LoansSection)) {
        const auto limit = limitValue(value);
        if (!limit)
            continue;
        if (key.compare(LimitKey, Qt::CaseInsensitive) == 0)
            limits.byDefault = *limit;
        else if (key.startsWith(prefix, Qt::CaseInsensitive) && !categoryKey(key.mid(prefix.size())).isEmpty())
            limits.byCategory.insert(categoryKey(key.mid(prefix.size())), *limit);
    }
    return limits;
}

int readDeskRequestKind(const IniFile *settings)
{
    const int kind = settings ? settings->readInteger(DeskSection, QStringLiteral("RequestKind"), 0) : 0;
    return kind >= 0 && kind < LoanKindCount ? kind : 0;
}

bool writeDeskRequestKind(IniFile &settings, int kind)
{
    return settings.writeInteger(DeskSection, QStringLiteral("RequestKind"), kind);
}

DeskRules readDeskRules(const IniFile *settings, const QDate &today)
{
    return {readLoanPeriods(settings), readLoanLimits(settings), readDeskRequestKind(settings), today};
}

QStringList readerWarnings(const Reader &reader, int openLoans, int overdueLoans, const DeskRules &rules)
{
    QStringList warnings;
    if (reader.blocked)
        warnings << QStringLiteral("Читатель заблокирован: %1. Выдавать ему нельзя, возвращать — можно.")
                        .arg(reader.blockReason.trimmed());
    if (reader.validUntil.isValid() && reader.validUntil < rules.today)
        warnings << QStringLiteral("Срок действия билета истёк %1.").arg(shownDate(reader.validUntil));
    const int limit = rules.limits.forCategory(reader.category);
    if (limit > 0 && openLoans >= limit)
        warnings << QStringLiteral("На руках изданий: %1 — %2 достигнут.").arg(openLoans).arg(limitText(reader, limit));
    if (overdueLoans > 0)
        warnings << QStringLiteral("Просрочено изданий: %1.").arg(overdueLoans);
    return warnings;
}

QStringList lendingWarnings(const Reader &reader, int openLoansBefore, const DeskRules &rules)
{
    QStringList warnings;
    if (reader.validUntil.isValid() && reader.validUntil < rules.today)
        warnings << QStringLiteral("билет просрочен (действителен до %1)").arg(shownDate(reader.validUntil));
    const int limit = rules.limits.forCategory(reader.category);
    if (limit > 0 && openLoansBefore >= limit)
        warnings << QStringLiteral("сверх предела: теперь на руках %1, %2").arg(openLoansBefore + 1).arg(limitText(reader, limit));
    return warnings;
}

} // namespace store

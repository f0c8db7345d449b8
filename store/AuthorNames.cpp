#include "AuthorNames.h"

#include <QRegularExpression>
#include <QStringList>

namespace store {

namespace {

struct RoleSpelling {
    const char *typed; // lower case, as a librarian abbreviates or writes it
    const char *role;  // the word in full, as the 2018 rules want it
};

// Longer spellings first, so that "отв. ред." is not taken for "ред.".
const RoleSpelling roleSpellings[] = {
    {"под общей редакцией", "редактор"}, {"под общ. ред.", "редактор"},      {"под редакцией", "редактор"},
    {"под ред.", "редактор"},            {"ответственный редактор", "ответственный редактор"},
    {"отв. ред.", "ответственный редактор"}, {"научный редактор", "научный редактор"},
    {"науч. ред.", "научный редактор"},  {"редакторы", "редактор"},          {"редактор", "редактор"},
    {"ред.", "редактор"},                {"составители", "составитель"},     {"составитель", "составитель"},
    {"сост.", "составитель"},            {"переводчик", "переводчик"},       {"перевод", "переводчик"},
    {"пер.", "переводчик"}};

// Takes a role word off the front ("сост.: Иванов") or the end ("Иванов (ред.)") of a name.
QString takeRole(QString &name)
{
    const QString lower = name.toLower();
    for (const RoleSpelling &r : roleSpellings) {
        const QString typed = QString::fromUtf8(r.typed);
        if (lower.startsWith(typed) && (lower.size() == typed.size() || !lower.at(typed.size()).isLetter())) {
            name = name.mid(typed.size()).trimmed();
            while (name.startsWith(u':'))
                name = name.mid(1).trimmed();
            return QString::fromUtf8(r.role);
        }
        const QString bracketed = u'(' + typed + u')';
        if (lower.endsWith(bracketed)) {
            name.chop(bracketed.size());
            name = name.trimmed();
            return QString::fromUtf8(r.role);
        }
    }
    return {};
}

bool isInitial(const QString &token)
{
    static const QRegularExpression initial(QStringLiteral("^\\p{Lu}\\p{Ll}?\\.(-\\p{Lu}\\p{Ll}?\\.)?$"));
    return initial.match(token).hasMatch();
}

bool isNameWord(const QString &word)
{
    static const QRegularExpression name(QStringLiteral("^\\p{Lu}\\p{Ll}+(-\\p{Lu}?\\p{Ll}+)*$"));
    return name.match(word).hasMatch();
}

// "И.И." and "И. И." alike become the tokens "И." and "И.".
QStringList nameTokens(const QString &text)
{
    QString spaced = text;
    static const QRegularExpression joinedInitials(QStringLiteral("(\\p{Lu}\\p{Ll}?\\.)(?=\\p{Lu})"));
    spaced.replace(joinedInitials, QStringLiteral("\\1 "));
    return spaced.split(u' ', Qt::SkipEmptyParts);
}

// Surname and initials from "Иванов И. И.", "И. И. Иванов", "Иванов, И. И." or "Иванов Иван
// Иванович"; a name that is none of these stays whole and is no person's.
AuthorName personOrBody(const QString &text)
{
    AuthorName n;
    const qsizetype comma = text.indexOf(u',');
    QStringList tokens = nameTokens(comma >= 0 ? text.left(comma) + u' ' + text.mid(comma + 1) : text);
    QStringList initials;
    QString surname;
    const bool initialsFirst = !tokens.isEmpty() && isInitial(tokens.first()) && comma < 0;
    if (initialsFirst) {
        while (tokens.size() > 1 && isInitial(tokens.first()))
            initials << tokens.takeFirst();
        if (tokens.size() == 1 && isNameWord(tokens.first()))
            surname = tokens.first();
    } else if (!tokens.isEmpty() && isNameWord(tokens.first())) {
        surname = tokens.takeFirst();
        bool allInitials = std::all_of(tokens.cbegin(), tokens.cend(), isInitial);
        bool allNames = tokens.size() <= 2 && std::all_of(tokens.cbegin(), tokens.cend(), isNameWord);
        if (allInitials)
            initials = tokens;
        else if (allNames)
            for (const QString &given : tokens)
                initials << given.left(1) + u'.';
        else
            surname.clear();
    }
    if (surname.isEmpty() || initials.size() > 3) {
        n.surname = text;
        n.person = false;
        return n;
    }
    n.surname = surname;
    n.initials = initials.join(u' ');
    return n;
}

QString squeezed(const QString &text)
{
    QString s = text;
    s.replace(QChar(0x00A0), u' ');
    return s.simplified();
}

} // namespace

QString AuthorName::headingForm() const
{
    return person && !initials.isEmpty() ? surname + QStringLiteral(", ") + initials : surname;
}

QString AuthorName::statementForm() const
{
    return person && !initials.isEmpty() ? initials + u' ' + surname : surname;
}

QList<AuthorName> parseAuthorNames(const QString &text)
{
    const QString all = squeezed(text);
    const QChar separator = all.contains(u';') ? u';' : u',';
    QStringList parts;
    for (const QString &piece : all.split(separator, Qt::SkipEmptyParts)) {
        const QString part = piece.trimmed();
        const QStringList tokens = nameTokens(part);
        const bool onlyInitials = !tokens.isEmpty() && std::all_of(tokens.cbegin(), tokens.cend(), isInitial);
        if (onlyInitials && !parts.isEmpty() && !parts.last().contains(u','))
            parts.last() += QStringLiteral(", ") + part;
        else if (!part.isEmpty())
            parts << part;
    }
    QList<AuthorName> names;
    for (QString part : parts) {
        const QString role = takeRole(part);
        if (part.isEmpty())
            continue;
        AuthorName n = personOrBody(part);
        n.role = role;
        names << n;
    }
    return names;
}

QString roleWord(const QString &role, int persons)
{
    if (persons < 2)
        return role;
    static const std::pair<const char *, const char *> plurals[] = {
        {"ответственный редактор", "ответственные редакторы"}, {"научный редактор", "научные редакторы"},
        {"редактор", "редакторы"}, {"составитель", "составители"}, {"переводчик", "переводчики"}};
    for (const auto &[one, many] : plurals)
        if (role == QString::fromUtf8(one))
            return QString::fromUtf8(many);
    return role;
}

} // namespace store

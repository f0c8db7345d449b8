#include "AuthorNames.h"

#include <QStringList>

namespace store {

namespace {

struct RoleSpelling {
    QString typed;      // lower case, as a librarian abbreviates or writes it
    QString bracketed;  // the same after a name, "(ред.)"
    QString role;       // the word in full, as the 2018 rules want it
};

// Longer spellings first, so that "отв. ред." is not taken for "ред.". Made once: a list of
// a hundred thousand holdings looks each name up here.
const QList<RoleSpelling> &roleSpellings()
{
    static const QList<RoleSpelling> spellings = [] {
        const std::pair<const char *, const char *> table[] = {
            {"под общей редакцией", "редактор"}, {"под общ. ред.", "редактор"}, {"под редакцией", "редактор"},
            {"под ред.", "редактор"}, {"ответственный редактор", "ответственный редактор"},
            {"отв. ред.", "ответственный редактор"}, {"научный редактор", "научный редактор"},
            {"науч. ред.", "научный редактор"}, {"редакторы", "редактор"}, {"редактор", "редактор"},
            {"ред.", "редактор"}, {"составители", "составитель"}, {"составитель", "составитель"},
            {"сост.", "составитель"}, {"переводчик", "переводчик"}, {"перевод", "переводчик"},
            {"пер.", "переводчик"}};
        QList<RoleSpelling> list;
        for (const auto &[typed, role] : table) {
            const QString t = QString::fromUtf8(typed);
            list.append({t, u'(' + t + u')', QString::fromUtf8(role)});
        }
        return list;
    }();
    return spellings;
}

// Takes a role word off the front ("сост.: Иванов") or the end ("Иванов (ред.)") of a name.
QString takeRole(QString &name)
{
    if (name.isEmpty())
        return {};
    for (const RoleSpelling &r : roleSpellings()) {
        if (name.startsWith(r.typed, Qt::CaseInsensitive) &&
            (name.size() == r.typed.size() || !name.at(r.typed.size()).isLetter())) {
            name = name.mid(r.typed.size()).trimmed();
            while (name.startsWith(u':'))
                name = name.mid(1).trimmed();
            return r.role;
        }
        if (name.endsWith(r.bracketed, Qt::CaseInsensitive)) {
            name.chop(r.bracketed.size());
            name = name.trimmed();
            return r.role;
        }
    }
    return {};
}

// One capital and perhaps one small letter, then a full stop: "И.", "Ю.", "Дж."; also hyphened, "Ж.-П.".
bool isInitialPart(QStringView t)
{
    if (t.size() < 2 || !t[0].isUpper() || t.back() != u'.')
        return false;
    return t.size() == 2 || (t.size() == 3 && t[1].isLower());
}

bool isInitial(const QString &token)
{
    const qsizetype hyphen = token.indexOf(u'-');
    if (hyphen < 0)
        return isInitialPart(token);
    return isInitialPart(QStringView(token).left(hyphen)) && isInitialPart(QStringView(token).mid(hyphen + 1));
}

// A capitalised word, perhaps hyphened: "Иванов", "Салтыков-Щедрин", "Мамин-сибиряк".
bool isNameWord(const QString &word)
{
    const QStringList parts = word.split(u'-');
    for (qsizetype p = 0; p < parts.size(); ++p) {
        const QString &part = parts[p];
        const qsizetype first = !part.isEmpty() && part[0].isUpper() ? 1 : 0;
        if ((p == 0 && first == 0) || part.size() - first < 1)
            return false;
        for (qsizetype i = first; i < part.size(); ++i)
            if (!part[i].isLower())
                return false;
    }
    return true;
}

// "И.И." and "И. И." alike become the tokens "И." and "И.".
QStringList nameTokens(const QString &text)
{
    QStringList tokens;
    for (const QString &word : text.split(u' ', Qt::SkipEmptyParts)) {
        qsizetype from = 0;
        for (qsizetype i = 1; i + 1 < word.size(); ++i)
            if (word[i] == u'.' && word[i + 1].isUpper() && word[i - 1].isLetter()) {
                tokens << word.mid(from, i + 1 - from);
                from = i + 1;
            }
        tokens << word.mid(from);
    }
    return tokens;
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

// The edit-mode password kept in the settings table.
#include "DBModUnit.h"

namespace store {

bool TDBMod::CheckPassword(const QString &text)
{
    data::Dataset query(&MyServer);
    query.setSql(QStringLiteral("SELECT COUNT(*) FROM settings WHERE name = 'password' AND value = :text"));
    query.paramByName(QStringLiteral("text")).value = text;
    query.open();
    return query.field(0).asInteger() > 0;
}

QString TDBMod::ReadPassword()
{
    data::Dataset query(&MyServer);
    query.setSql(QStringLiteral("SELECT value FROM settings WHERE name = 'password'"));
    query.open();
    return query.field(0).asString();
}

void TDBMod::SavePassword(const QString &text)
{
    MyServer.runStatement(QStringLiteral("UPDATE settings SET value = ? WHERE name = 'password'"), {text});
}

} // namespace store

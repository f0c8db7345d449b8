#pragma once

#include <QByteArray>
#include <QString>

// E-mail addresses and the header texts of a letter, as they go on the wire.
namespace store {

// The address as it is sent (blanks at either end taken off, a Cyrillic domain in its ASCII form),
// or empty when it is no address a letter can go to: one "@", a local part of the characters an
// address may hold without quotes, a domain of at least two names. A local part in Cyrillic is
// refused too, as few servers take one.
QString sendableAddress(const QString &typed);

// "Name <address>" or a bare address, as the sender is written in the settings.
struct Mailbox {
    QString name;
    QString address;
};
Mailbox parseMailbox(const QString &text);

// A header's text as the wire holds it: plain ASCII as it is, anything else as encoded words
// (UTF-8 in base64, RFC 2047), folded so that no line grows past 78 characters. Line breaks and
// other control characters become blanks, so that no text can add a header of its own.
QByteArray encodedHeaderText(const QString &text);

// The value of a From or To header: the name (encoded as above when it needs it) and the address.
QByteArray mailboxHeader(const QString &name, const QString &address);

} // namespace store

#pragma once

#include <QString>
#include <stdexcept>

namespace data {

// What went wrong, as far as a window needs to know to explain it or to act on it.
enum class ErrorKind {
    Other,
    Busy,          // locked by another program or computer for longer than the busy timeout
    ReadOnly,      // the file or its folder cannot be written
    DiskFull,
    NotADatabase,  // not a database, or a damaged one
    ServerGone,    // the server could not be reached; nothing was done
    MaybeApplied,  // the connection dropped after a change was sent: it may have been stored
    TooLong,       // a value longer than its column on the server
    Refused,       // a script refused before anything changed
    UntrustedCertificate, // the server's certificate could not be verified; detail() is its fingerprint
    CertificateChanged,   // not the certificate the librarian confirmed, or no encryption any more
    Duplicate,     // a value that must be unique is already there
    BadText,       // text the server's column cannot hold in its character set
    Deadlock,      // two sessions waited on each other; the server undid this one's work
    AccessDenied,  // the account may not log in, or may not do this
    NoDatabase,    // the catalogue's database is not on the server
    TooManyConnections,
    Constraint,    // a rule of the database's own (a value that must be given, a check)
    IoError,       // the disk or the network share failed while reading or writing
};

// The one error the layer raises: the text the user is shown and, for errors of the engine, the
// engine's result code (0 for the layer's own errors).
class DataError : public std::runtime_error {
public:
    explicit DataError(const QString &message, int sqliteCode = 0, ErrorKind kind = ErrorKind::Other,
                       const QString &detail = {})
        : std::runtime_error(message.toStdString()), message_(message), code_(sqliteCode), kind_(kind), detail_(detail)
    {
    }

    const QString &message() const noexcept { return message_; }
    int sqliteCode() const noexcept { return code_; }
    ErrorKind kind() const noexcept { return kind_; }
    const QString &detail() const noexcept { return detail_; }

private:
    QString message_;
    int code_;
    ErrorKind kind_;
    QString detail_;
};

// The layer's own texts, word for word.
namespace errors {
inline const char *const ReadOnly = "Cannot modify a read-only dataset";
inline const char *const EmptyDataset = "Cannot perform this operation on an empty dataset";
inline const char *const ClosedDataset = "Cannot perform this operation on a closed dataset";
inline const char *const NotEditing = "Dataset not in edit or insert mode";
inline const char *const ConnectionClosed = "Operation is not allowed when the connection is closed";

inline QString fieldNotFound(const QString &name) { return QStringLiteral("Field '%1' not found").arg(name); }
inline QString sortFieldNotFound(const QString &name) { return QStringLiteral("Field %1 not found").arg(name); }
inline QString updateFailed(int count) { return QStringLiteral("Update failed. Found %1 records").arg(count); }
} // namespace errors

} // namespace data

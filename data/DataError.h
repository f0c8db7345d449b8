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
};

// The one error the layer raises: the text the user is shown and, for errors of the engine, the
// engine's result code (0 for the layer's own errors).
class DataError : public std::runtime_error {
public:
    explicit DataError(const QString &message, int sqliteCode = 0, ErrorKind kind = ErrorKind::Other)
        : std::runtime_error(message.toStdString()), message_(message), code_(sqliteCode), kind_(kind) {}

    const QString &message() const noexcept { return message_; }
    int sqliteCode() const noexcept { return code_; }
    ErrorKind kind() const noexcept { return kind_; }

private:
    QString message_;
    int code_;
    ErrorKind kind_;
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

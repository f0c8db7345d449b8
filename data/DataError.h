#pragma once

#include <QString>
#include <stdexcept>

namespace data {

// The one error the store raises: the text the user is shown and, for errors of the engine,
// SQLite's result code (0 for the layer's own errors).
class DataError : public std::runtime_error {
public:
    explicit DataError(const QString &message, int sqliteCode = 0)
        : std::runtime_error(message.toStdString()), message_(message), code_(sqliteCode) {}

    const QString &message() const noexcept { return message_; }
    int sqliteCode() const noexcept { return code_; }

private:
    QString message_;
    int code_;
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

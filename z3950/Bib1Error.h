#pragma once

#include <QString>
#include <stdexcept>

namespace z3950 {

// A request the target cannot answer, as the Bib-1 diagnostic the client is sent: the code and
// its additional information (the attribute, term or name at fault).
class Bib1Error : public std::runtime_error {
public:
    Bib1Error(int code, const QString &addinfo = {}, bool perRecord = false)
        : std::runtime_error(addinfo.toStdString()), code_(code), addinfo_(addinfo), perRecord_(perRecord)
    {
    }
    int code() const noexcept { return code_; }
    const QString &addinfo() const noexcept { return addinfo_; }
    // Said of one record in place of it (a surrogate diagnostic), the others still sent.
    bool perRecord() const noexcept { return perRecord_; }

private:
    int code_;
    QString addinfo_;
    bool perRecord_;
};

} // namespace z3950

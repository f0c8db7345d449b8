#pragma once

#include "data/dataset/CollationRanks.h"
#include "data/dataset/FieldDef.h"
#include "data/dataset/Row.h"

#include <QString>
#include <vector>

namespace data {

// The in-memory order of a dataset, parsed from its sort text: column names separated by ";" or
// ",", each optionally followed by ASC or DESC and by CIS, CS or BIN. Texts compare by Russian
// collation with punctuation counted (case-sensitive unless CIS), BIN compares bytes, numbers and
// dates compare by value; NULL comes first ascending and last descending.
class SortOrder {
public:
    enum class Compare { CaseSensitive, CaseInsensitive, Binary };
    struct Part {
        int column = 0;
        bool descending = false;
        Compare compare = Compare::CaseSensitive;
    };

    // Throws DataError "Field %s not found" for a column the dataset lacks.
    static SortOrder parse(const QString &text, const std::vector<FieldDef> &fields);

    bool isEmpty() const { return parts_.empty(); }
    const std::vector<Part> &parts() const { return parts_; }

    // Reorders view (indexes into rows) stably; collated text compares by the ranks kept in cache.
    void sort(std::vector<quint32> &view, const std::vector<const char *> &rows, const std::vector<FieldDef> &fields,
              SortKeyCache &cache) const;

private:
    std::vector<Part> parts_;
};

} // namespace data

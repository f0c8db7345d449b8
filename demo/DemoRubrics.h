#pragma once

#include <QString>
#include <vector>

namespace demo {

struct Rubric {
    int id = 0;
    QString title;
    int parent = 0; // 0 for a top-level rubric
    bool hasChildren = false;
};

// count rubrics numbered from 1, parents before their children. Top-level rubrics come first, then
// their sub-rubrics taken in turn from each parent, so that a small count still spreads over
// the whole tree.
std::vector<Rubric> buildRubrics(int count);

// The ids from the top rubric down to the given one, each followed by a dot: "3.17.".
QString rubricPath(const std::vector<Rubric> &rubrics, int id);

} // namespace demo

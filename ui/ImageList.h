#pragma once

#include <QIcon>

namespace ui {

// The six 16 x 16 pictures shared by the main menu, the grid's context menu and the tabs:
// 0 new record, 1 return a holding, 2 lend a holding, 3 delete a record, 4 open the electronic
// version, 5 add an item kind.
QIcon sharedImage(int index);
inline constexpr int SharedImageCount = 6;

} // namespace ui

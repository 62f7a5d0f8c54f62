#pragma once

#include <QObject>

class QTreeWidget;

namespace qv {

// Column widths that keep every title whole. titleWidth() is the width a
// column needs for its bold title; fillColumn() makes one column take the
// room the others leave in the list, never less than its own title, so a
// list too narrow for all its columns scrolls sideways instead of cutting
// them.
int titleWidth(const QTreeWidget &list, int column);
// The frame and vertical scroll bar a list needs around its columns.
int listChrome(const QTreeWidget &list);
void fillColumn(QTreeWidget &list, int column);

} // namespace qv

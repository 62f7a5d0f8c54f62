#pragma once

#include <QtCore/qnamespace.h>

class QTreeWidget;
class QTreeWidgetItem;

namespace qv {

struct ListedPosition;

// The list of a table's positions that the chooser and the split dialog
// show: state icon, "Posição", "Pessoas", "Garçon".
namespace positionlist {

// Roles of a row: the icon number (column 0) and the idMesa (column 1).
inline constexpr int kIconRole = Qt::UserRole;
inline constexpr int kMesaRole = Qt::UserRole;

// Column widths and alignment of the list.
void prepare(QTreeWidget *list);
// Appends the row of a position as the core read it.
QTreeWidgetItem *addRow(QTreeWidget *list, const ListedPosition &position);

} // namespace positionlist

} // namespace qv

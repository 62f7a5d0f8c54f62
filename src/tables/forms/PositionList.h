#pragma once

#include <QtCore/qnamespace.h>

class QTreeWidget;
class QTreeWidgetItem;

namespace qv {

class Record;

// The list of a table's positions that the chooser and the split dialog
// show: state icon, "Posição", "Pessoas", "Garçon".
namespace positionlist {

// Roles of a row: the icon number (column 0) and the idMesa (column 1).
inline constexpr int kIconRole = Qt::UserRole;
inline constexpr int kMesaRole = Qt::UserRole;

// Column widths and alignment of the list.
void prepare(QTreeWidget *list);
// Appends the row of a mov_Mesa record with the icon of its state; the
// waiter's name is read with the position (blank when there is none).
QTreeWidgetItem *addRow(QTreeWidget *list, const Record &position, int icon);

} // namespace positionlist

} // namespace qv

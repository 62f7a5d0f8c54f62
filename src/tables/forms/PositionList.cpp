#include "tables/forms/PositionList.h"
#include "data/Statements.h"
#include "platform/ui/Desk.h"

#include "board/forms/Board.h"
#include "data/Tables.h"
#include "platform/Record.h"
#include "platform/Sql.h"

#include <QHeaderView>
#include <QTreeWidget>

namespace qv::positionlist {

void prepare(QTreeWidget *list)
{
    auto *header = list->header();
    header->setStretchLastSection(true);
    header->setSectionsMovable(false);
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->resizeSection(0, 34);
    header->resizeSection(1, 84);
    header->resizeSection(2, 76);
    for (int c : {1, 2})
        list->headerItem()->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
}

QTreeWidgetItem *addRow(QTreeWidget *list, const Record &position, int icon)
{
    // A failed or missing look-up leaves the waiter blank: the row shows
    // less, nothing more.
    Record waiter(tables::tabOperador);
    const int idGarcon = int(position.integer("idGarcon"));
    if (idGarcon != 0)
        desk::sql().exec(stmt::kOperatorById, {idGarcon}, &waiter);

    const int idMesa = int(position.integer("idMesa"));
    auto *item = new QTreeWidgetItem(list);
    item->setIcon(0, stateIcon(icon));
    item->setData(0, kIconRole, icon);
    item->setData(1, kMesaRole, idMesa);
    item->setText(1, QString::number(idMesa));
    item->setText(2, QStringLiteral("%1").arg(position.integer("qtdPessoas"), 3));
    item->setText(3, waiter.text("nome").trimmed());
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

} // namespace qv::positionlist

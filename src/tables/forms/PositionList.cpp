#include "tables/forms/PositionList.h"

#include "board/PositionReader.h"
#include "board/forms/Board.h"

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

QTreeWidgetItem *addRow(QTreeWidget *list, const ListedPosition &position)
{
    auto *item = new QTreeWidgetItem(list);
    item->setIcon(0, stateIcon(position.icon));
    item->setData(0, kIconRole, position.icon);
    item->setData(1, kMesaRole, position.idMesa);
    item->setText(1, QString::number(position.idMesa));
    item->setText(2, QStringLiteral("%1").arg(position.people, 3));
    item->setText(3, position.waiterName);
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

} // namespace qv::positionlist

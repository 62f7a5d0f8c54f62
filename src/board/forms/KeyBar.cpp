#include "board/forms/KeyBar.h"

#include <QGridLayout>
#include <QScreen>
#include <QWidget>

namespace qv {

KeyBar::KeyBar(QWidget &bar) : m_bar(bar)
{
    QLayout *row = bar.layout();
    const QMargins margins = row->contentsMargins();
    const int spacing = row->spacing();
    while (QLayoutItem *item = row->takeAt(0)) {
        if (item->widget())
            m_entries.push_back(item->widget());
        delete item;
    }
    delete row;
    auto *grid = new QGridLayout(&bar);
    grid->setObjectName(QStringLiteral("KeyBarLayout"));
    grid->setContentsMargins(margins);
    grid->setSpacing(spacing);
    arrange(1);
}

void KeyBar::arrange(int rows)
{
    auto *grid = static_cast<QGridLayout *>(m_bar.layout());
    const int count = int(m_entries.size());
    const int columns = (count + rows - 1) / rows;
    if (rows == m_rows && grid->count() == count)
        return;
    m_rows = rows;
    for (QWidget *entry : m_entries)
        grid->removeWidget(entry);
    for (int c = 0; c < grid->columnCount(); ++c)
        grid->setColumnStretch(c, 0);
    for (int i = 0; i < count; ++i)
        grid->addWidget(m_entries[std::size_t(i)], i / columns, i % columns);
    for (int c = 0; c < columns; ++c)
        grid->setColumnStretch(c, 1);
}

int KeyBar::fit(const QWidget &window, const QLayout &outer)
{
    const QMargins margins = m_bar.layout()->contentsMargins();
    int oneRow = margins.left() + margins.right() + outer.contentsMargins().left() + outer.contentsMargins().right();
    for (QWidget *entry : m_entries)
        oneRow += entry->minimumSizeHint().width() + m_bar.layout()->spacing();
    const QScreen *where = window.screen();
    const int available = where ? where->availableGeometry().width() : oneRow;
    arrange(oneRow <= available ? 1 : 2);
    return available;
}

} // namespace qv

#include "platform/ui/ColumnFit.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>
#include <QTreeWidget>

#include <algorithm>

namespace qv {

int titleWidth(const QTreeWidget &list, int column)
{
    // Headers are drawn in bold with 4 pixels of padding a side, plus room
    // for the sort mark.
    QFont bold = list.header()->font();
    bold.setBold(true);
    return QFontMetrics(bold).horizontalAdvance(list.headerItem()->text(column)) + 14;
}

int listChrome(const QTreeWidget &list)
{
    return 2 * list.frameWidth() + list.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &list);
}

namespace {

// Gives the column what is left whenever the list or another column
// changes size.
class ColumnFiller : public QObject
{
public:
    ColumnFiller(QTreeWidget &list, int column) : QObject(&list), m_list(list), m_column(column)
    {
        QHeaderView *header = list.header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(column, QHeaderView::Fixed);
        list.viewport()->installEventFilter(this);
        connect(header, &QHeaderView::sectionResized, this, [this](int logical, int, int) {
            if (logical != m_column)
                fit();
        });
        fit();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_list.viewport() && event->type() == QEvent::Resize)
            fit();
        return false;
    }

private:
    void fit()
    {
        QHeaderView *header = m_list.header();
        int others = 0;
        for (int c = 0; c < header->count(); ++c)
            if (c != m_column && !header->isSectionHidden(c))
                others += header->sectionSize(c);
        const int width = std::max(titleWidth(m_list, m_column), m_list.viewport()->width() - others);
        if (header->sectionSize(m_column) != width)
            header->resizeSection(m_column, width);
    }

    QTreeWidget &m_list;
    int m_column;
};

} // namespace

void fillColumn(QTreeWidget &list, int column)
{
    new ColumnFiller(list, column);
}

} // namespace qv

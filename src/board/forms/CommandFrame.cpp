#include "board/forms/CommandFrame.h"

#include "board/forms/DeskContext.h"

#include <QWidget>

#include <QEvent>

#include <algorithm>

namespace qv {

CommandFrame::CommandFrame(DeskContext &desk, QWidget *frame)
    : QObject(frame), m_desk(desk), m_frame(frame), m_window(desk.window())
{
    frame->hide();
    m_window->installEventFilter(this);
}

void CommandFrame::open()
{
    if (!m_frame)
        return;
    m_desk.setFrameOpen(true);
    place();
    m_frame->show();
    m_frame->raise();
}

void CommandFrame::close()
{
    if (m_frame)
        m_frame->hide();
    m_desk.setFrameOpen(false);
}

bool CommandFrame::isOpen() const
{
    return m_frame && m_frame->isVisible();
}

void CommandFrame::place()
{
    // Centred over the table area at its natural size; an area smaller
    // than the frame leaves the frame whole, starting at the area's corner.
    QWidget *area = m_desk.tableArea();
    const QRect target(area->mapTo(m_desk.window(), QPoint(0, 0)), area->size());
    m_frame->adjustSize();
    const QSize size = m_frame->size().expandedTo(m_frame->minimumSizeHint());
    QPoint corner = target.center() - QPoint(size.width() / 2, size.height() / 2);
    corner.setX(std::max(corner.x(), target.left()));
    corner.setY(std::max(corner.y(), target.top()));
    m_frame->setGeometry(QRect(corner, size));
}

bool CommandFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest) && isOpen())
        place();
    return QObject::eventFilter(watched, event);
}

} // namespace qv

#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace qv {

class DeskContext;

// A command frame of the main form (Frm_IMP, Frm_NovaMesa): an overlay over
// the table area that stands for a modal step of a command. While it is
// shown the table area Frm_CaixaM is disabled, so nothing of the table can
// change under the command; every way out enables it again. The frame
// follows the table area when the form is resized.
class CommandFrame : public QObject
{
public:
    // `frame` must be a child of the desk's window.
    CommandFrame(DeskContext &desk, QWidget *frame);

    // Disables the table area, places the frame over it and shows it on top.
    void open();
    // Hides the frame and enables the table area again.
    void close();
    bool isOpen() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void place();

    DeskContext &m_desk;
    QPointer<QWidget> m_frame;
    // The window watched for resizes; the desk may be gone before it is,
    // while the window takes its children down.
    QPointer<QWidget> m_window;
};

} // namespace qv

#include "FormHarness.h"
#include "platform/ui/Desk.h"

#include "DeskDriver.h"
#include "platform/SharedRecords.h"
#include "session/Session.h"

#include <QTest>

#include <stdexcept>

namespace qv::test {

FormHarness::FormHarness(bool withDemo) : m_db(withDemo)
{
    SharedRecord::resetAll();
    desk::session().reset();
}

FormHarness::~FormHarness()
{
    m_form.reset();
}

void FormHarness::standardSession()
{
    m_files.login(1, QStringLiteral("MARIANA SOUZA"));
    m_files.openPeriod(2, {1, 2, 3});
}

MainForm &FormHarness::start()
{
    m_form = std::make_unique<MainForm>();
    m_form->show();
    if (!QTest::qWaitFor([this] { return m_form->started(); }, 20000))
        throw std::runtime_error("the main form did not finish starting");
    return *m_form;
}

MainForm &FormHarness::startOnDesk(int desk)
{
    start();
    if (m_form->closedDown())
        throw std::runtime_error(("start-up failed: " + texts().join(QStringLiteral(" | "))).toStdString());
    if (desk > 1)
        ui().answer(answer::kYes);
    QAbstractButton *button = m_form->findChild<QAbstractButton *>(QStringLiteral("Bt_CX%1").arg(desk));
    QTest::mouseClick(button, Qt::LeftButton);
    settleBoard();
    return *m_form;
}

void FormHarness::settleBoard()
{
    // The board is rebuilt on a thread of its own and shown from the event
    // loop once finished.
    if (!QTest::qWaitFor([this] { return !DeskDriver(*m_form).board().rebuilding(); }, 20000))
        throw std::runtime_error("the board rebuild did not finish");
}

QStringList FormHarness::texts() const
{
    QStringList all;
    for (const Shown &m : m_ui.ui().messages)
        all << m.text;
    return all;
}

MainForm &FormHarness::showTable(const QString &number)
{
    if (!m_form)
        startOnDesk(1);
    typeTable(number);
    return *m_form;
}

void FormHarness::typeTable(const QString &number)
{
    // After a modal dialog the offscreen platform activates no window by
    // itself, and a field of an inactive window takes no focus.
    m_form->activateWindow();
    (void)QTest::qWaitForWindowActive(m_form.get(), 2000);
    QLineEdit *field = DeskDriver(*m_form).Ed_CODIMES;
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, number);
    QTest::keyClick(field, Qt::Key_Return);
    // The table-number procedure runs from the event loop.
    QTest::qWait(1);
    QCoreApplication::processEvents();
}

} // namespace qv::test

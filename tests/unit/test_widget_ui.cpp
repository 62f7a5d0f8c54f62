#include "platform/ui/UiService.h"

#include "platform/Sql.h"
#include "platform/ui/Desk.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace qv;

namespace {

struct SeenBox
{
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Shows one box through the real service and reads it from inside its own
// exec(), then presses its first button.
template <typename Show>
SeenBox readBox(Show show)
{
    SeenBox seen;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || box->buttons().isEmpty())
            return;
        seen = {box->text(), box->windowTitle(), box->icon()};
        poll.stop();
        box->buttons().first()->click();
    });
    poll.start(5);
    show();
    return seen;
}

} // namespace

TEST(WidgetUi, MessageCutsAt120AndLongMessageShowsTheWholeText)
{
    WidgetUi ui;
    QString text;
    for (int i = 0; text.size() < 300; ++i)
        text += QStringLiteral("linha %1 — ação\n").arg(i);

    const SeenBox cut = readBox([&] { EXPECT_EQ(ui.message(nullptr, text, style::kStop), answer::kOk); });
    EXPECT_EQ(cut.text, text.left(120));
    EXPECT_EQ(cut.icon, QMessageBox::Critical);

    const SeenBox whole = readBox([&] { EXPECT_EQ(ui.longMessage(nullptr, text, style::kStop), answer::kOk); });
    EXPECT_EQ(whole.text, text);
    EXPECT_EQ(whole.icon, QMessageBox::Critical);
    EXPECT_EQ(whole.title, QApplication::applicationDisplayName());
}

TEST(WidgetUi, TheWindowABoxOrFormWasOpenedFromHasTheKeyboardBackAfterwards)
{
    // Without a window manager nobody activates the window again when a
    // modal closes; its Alt shortcuts would type letters into its fields.
    QWidget window;
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    WidgetUi ui;
    readBox([&] { ui.message(&window, QStringLiteral("Mesa Bloqueada !!!"), style::kInformation); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &window; }, 2000));

    // A form of the registry: a dialog of its own, active while it runs.
    FormRegistry::instance().add(QStringLiteral("99-Teste"), [](QWidget *parent) {
        QDialog dialog(parent);
        QTimer::singleShot(0, &dialog, [&dialog] {
            dialog.activateWindow();
            (void)QTest::qWaitForWindowActive(&dialog);
            dialog.accept();
        });
        return dialog.exec();
    });
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_EQ(ui.openForm(QStringLiteral("99-Teste"), &window), int(QDialog::Accepted));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &window; }, 2000));
    FormRegistry::instance().remove(QStringLiteral("99-Teste"));
}

namespace {

// Shows nothing and answers OK: the guard stands in front of every way a
// modal window opens, whichever service shows it.
class SilentUi : public UiService
{
public:
    bool startProgram(const QString &, const QStringList &) override { return true; }

protected:
    int showMessage(QWidget *, const QString &, int) override { return answer::kOk; }
};

// The desk's unit of work as a begun UnitOfWork leaves it, for as long as
// `open` runs: no server is needed to hold it.
void insideAUnit(const std::function<void()> &open)
{
    Sql::UnitState &unit = desk::sql().unitState();
    ++unit.depth;
    open();
    --unit.depth;
}

void boxInsideAUnit()
{
    SilentUi ui;
    insideAUnit([&] { ui.message(nullptr, QStringLiteral("Mesa Bloqueada !!!"), style::kInformation); });
}

} // namespace

TEST(ModalGuard, AFormOrBoxOpenedInsideAUnitOfWorkIsReportedAndOnlyThen)
{
    SilentUi ui;
    FormRegistry::instance().add(QStringLiteral("99-Guarda"), [](QWidget *) { return 1; });
    QStringList reported;
    const auto suite = UiService::setModalInUnitHandler([&](const QString &what) { reported << what; });
    struct Case
    {
        const char *name;
        std::function<void()> open;
        QString what;
    };
    const std::vector<Case> cases{
        {"form", [&] { ui.openForm(QStringLiteral("99-Guarda"), nullptr); }, QStringLiteral("formulário 99-Guarda")},
        {"message", [&] { ui.message(nullptr, QStringLiteral("Mesa Bloqueada !!!"), style::kInformation); },
         QStringLiteral("caixa de mensagem: Mesa Bloqueada !!!")},
        {"long message", [&] { ui.longMessage(nullptr, QStringLiteral("Instruções"), style::kStop); },
         QStringLiteral("caixa de mensagem: Instruções")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        reported.clear();
        c.open();
        EXPECT_TRUE(reported.isEmpty()) << "reported with no unit of work open";
        insideAUnit(c.open);
        EXPECT_EQ(reported, QStringList{c.what});
    }
    UiService::setModalInUnitHandler(suite);
    FormRegistry::instance().remove(QStringLiteral("99-Guarda"));
}

TEST(ModalGuard, TheTestProgramsFailTheTestThatOpensABoxInsideAUnitOfWork)
{
    // The handler every form test program installs (support/gui_main.cpp).
    EXPECT_NONFATAL_FAILURE(boxInsideAUnit(), "opened inside a unit of work: caixa de mensagem: Mesa Bloqueada !!!");
}

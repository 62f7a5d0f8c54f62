#include "platform/ui/UiService.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

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

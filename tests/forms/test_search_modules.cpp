// The stand-ins for the suite's search modules, opened by name as the
// commands open them: the discount search "99-Lissor" and the product
// search "99-Tessup".
#include "TestSupport.h"
#include "platform/SqlProbe.h"
#include "platform/ui/Desk.h"

#include "modules/DiscountSearch.h"
#include "modules/ProductSearch.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "ui_DiscountSearch.h"
#include "ui_ProductSearch.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace qv;

namespace {

// Runs `action` on the modal dialog of type T from inside its exec(); a
// dialog left open is closed and counted.
template <typename T>
struct Script
{
    explicit Script(std::function<void(T &)> action)
    {
        QObject::connect(&poll, &QTimer::timeout, [this, action] {
            auto *d = qobject_cast<T *>(QApplication::activeModalWidget());
            if (!d || !d->isVisible())
                return;
            poll.stop();
            // The keyboard reaches a dialog once it is the active window.
            d->activateWindow();
            (void)QTest::qWaitForWindowActive(d, 2000);
            ran = true;
            action(*d);
            if (d->isVisible()) {
                leftOpen = true;
                d->reject();
            }
        });
        poll.start(2);
    }
    QTimer poll;
    bool ran = false;
    bool leftOpen = false;
};

class SearchModulesTest : public ::testing::Test
{
protected:
    SearchModulesTest() { SharedRecord::resetAll(); }
    void TearDown() override { EXPECT_EQ(QApplication::activeModalWidget(), nullptr); }

    // The caller's side of the discount search: zeros in, the form by name.
    QString discount(std::function<void(DiscountSearch &)> action)
    {
        records::L_LINK().setText(26, 6, QStringLiteral("000000"));
        Script<DiscountSearch> script(std::move(action));
        UiService::instance().openForm(QStringLiteral("99-Lissor"), nullptr, QStringLiteral("99-Sandral.dll"));
        EXPECT_TRUE(script.ran);
        EXPECT_FALSE(script.leftOpen);
        return records::L_LINK().text(26, 6);
    }
    QStringList rowTexts(QTreeWidget *list, int row)
    {
        QStringList texts;
        QTreeWidgetItem *item = list->topLevelItem(row);
        for (int c = 0; item && c < list->columnCount(); ++c)
            texts << item->text(c);
        return texts;
    }

    test::TestDatabase db{true};
    test::ScriptedUiScope ui;
};

} // namespace

TEST_F(SearchModulesTest, DiscountSearchHandsBackTheChosenCode)
{
    // Enter on the third kind.
    EXPECT_EQ(discount([this](DiscountSearch &d) {
                  QTreeWidget *list = d.ui().Lv_Descontos;
                  EXPECT_EQ(d.objectName(), QStringLiteral("99-Lissor"));
                  ASSERT_EQ(list->topLevelItemCount(), 5);
                  EXPECT_EQ(rowTexts(list, 3), (QStringList{"4", QString::fromUtf8("Convênio Empresa"), "12,50 %"}));
                  EXPECT_EQ(QApplication::focusWidget(), list);
                  QTest::keyClick(list, Qt::Key_Down);
                  QTest::keyClick(list, Qt::Key_Down);
                  QTest::keyClick(list, Qt::Key_Return);
              }),
              QStringLiteral("000003"));

    // A double click on the last.
    EXPECT_EQ(discount([](DiscountSearch &d) {
                  QTreeWidget *list = d.ui().Lv_Descontos;
                  const QRect rect = list->visualItemRect(list->topLevelItem(4));
                  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
                  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
              }),
              QStringLiteral("000005"));

    // Escape, even after moving, chooses nothing.
    EXPECT_EQ(discount([](DiscountSearch &d) {
                  QTest::keyClick(d.ui().Lv_Descontos, Qt::Key_Down);
                  QTest::keyClick(d.ui().Lv_Descontos, Qt::Key_Escape);
              }),
              QStringLiteral("000000"));
    // So does the exit button.
    EXPECT_EQ(discount([](DiscountSearch &d) { QTest::mouseClick(d.ui().Bt_Sair, Qt::LeftButton); }),
              QStringLiteral("000000"));
    EXPECT_TRUE(ui.ui().messages.empty());
}

TEST_F(SearchModulesTest, DiscountSearchSaysWhenItCannotReadTheKinds)
{
    SqlTestProbe::on(desk::sql()).failNext("SELECT*FROM tab_Desconto ORDER BY idDesconto");
    EXPECT_EQ(discount([](DiscountSearch &d) {
                  EXPECT_EQ(d.ui().Lv_Descontos->topLevelItemCount(), 0);
                  QTest::keyClick(d.ui().Lv_Descontos, Qt::Key_Return); // nothing to choose
                  EXPECT_TRUE(d.isVisible());
                  QTest::keyClick(d.ui().Lv_Descontos, Qt::Key_Escape);
              }),
              QStringLiteral("000000"));
    ASSERT_EQ(ui.ui().messages.size(), 1u);
    EXPECT_EQ(ui.ui().messages[0].text, QStringLiteral("Erro HY000 na leitura dos descontos !!!"));
    EXPECT_EQ(ui.ui().messages[0].style, style::kStop);
}

TEST_F(SearchModulesTest, ProductSearchFiltersTheCatalogueAndHandsNothingBack)
{
    const int all = db.value(QStringLiteral("SELECT COUNT(*) FROM cad_Produtos")).toInt();
    records::L_LINK().setText(QStringLiteral("untouched"));
    const QByteArray link = records::L_LINK().bytes();

    Script<ProductSearch> script([all](ProductSearch &d) {
        auto &u = d.ui();
        EXPECT_EQ(d.objectName(), QStringLiteral("99-Tessup"));
        EXPECT_EQ(u.Lv_Produtos->topLevelItemCount(), all);
        EXPECT_EQ(QApplication::focusWidget(), u.Ed_FILTRO);

        // Case and accents do not matter.
        QTest::keyClicks(u.Ed_FILTRO, QStringLiteral("file"));
        ASSERT_EQ(u.Lv_Produtos->topLevelItemCount(), 1);
        EXPECT_EQ(u.Lv_Produtos->topLevelItem(0)->text(1), QString::fromUtf8("FILÉ MIGNON AO MOLHO MADEIRA"));
        EXPECT_EQ(u.Lb_CONTA->text(), QStringLiteral("1 produto"));

        // The inactive product is marked; the price is the one charged.
        u.Ed_FILTRO->clear();
        QTest::keyClicks(u.Ed_FILTRO, QStringLiteral("COSTELA"));
        ASSERT_EQ(u.Lv_Produtos->topLevelItemCount(), 1);
        EXPECT_EQ(u.Lv_Produtos->topLevelItem(0)->text(3), QStringLiteral("Inativo"));
        u.Ed_FILTRO->clear();
        QTest::keyClicks(u.Ed_FILTRO, QStringLiteral("309"));
        ASSERT_EQ(u.Lv_Produtos->topLevelItemCount(), 1);
        EXPECT_EQ(u.Lv_Produtos->topLevelItem(0)->text(0), QStringLiteral("000309"));
        EXPECT_EQ(u.Lv_Produtos->topLevelItem(0)->text(2), QStringLiteral("19,90"));
        EXPECT_TRUE(u.Lv_Produtos->topLevelItem(0)->text(3).isEmpty());

        // Down goes to the list, Up from its first row back to the filter;
        // Enter chooses nothing and closes nothing.
        u.Ed_FILTRO->clear();
        QTest::keyClicks(u.Ed_FILTRO, QStringLiteral("suco"));
        EXPECT_EQ(u.Lb_CONTA->text(), QStringLiteral("2 produtos"));
        QTest::keyClick(u.Ed_FILTRO, Qt::Key_Down);
        EXPECT_EQ(QApplication::focusWidget(), u.Lv_Produtos);
        QTest::keyClick(u.Lv_Produtos, Qt::Key_Return);
        EXPECT_TRUE(d.isVisible());
        QTest::keyClick(u.Lv_Produtos, Qt::Key_Up);
        EXPECT_EQ(QApplication::focusWidget(), u.Ed_FILTRO);

        QTest::keyClicks(u.Ed_FILTRO, QStringLiteral("xyz"));
        EXPECT_EQ(u.Lv_Produtos->topLevelItemCount(), 0);
        QTest::keyClick(u.Ed_FILTRO, Qt::Key_Escape);
    });
    UiService::instance().openForm(QStringLiteral("99-Tessup"), nullptr, QStringLiteral("99-Sandral.dll"));
    EXPECT_TRUE(script.ran);
    EXPECT_FALSE(script.leftOpen);
    EXPECT_EQ(records::L_LINK().bytes(), link);
    EXPECT_TRUE(ui.ui().messages.empty());
}

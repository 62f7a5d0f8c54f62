// Launching and editing items without any form: the product lookup, the
// reads of the include frame and what a new or an edited item writes.
#include "data/Statements.h"
#include "items/ItemService.h"
#include "platform/Sql.h"
#include "platform/SqlProbe.h"
#include "platform/ui/Desk.h"

#include "Seed.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace qv::test {
namespace {

using Result = ItemService::Lookup::Result;
constexpr int kTable = 2101; // open, nothing ordered yet

class ItemServiceTest : public ::testing::Test
{
protected:
    QString value(const QString &sql) const { return db.value(sql); }
    int count(const QString &sql) const { return value(sql).toInt(); }
    int itemsOnTable() const
    {
        return count(QStringLiteral("SELECT COUNT(*) FROM mov_MesaItem WHERE idMesa=%1").arg(kTable));
    }
    int observationsOnTable() const
    {
        return count(QStringLiteral("SELECT COUNT(*) FROM mov_MesaItemObs WHERE idMesa=%1").arg(kTable));
    }
    ChosenObservation chosen(char kind, int idObs) { return service.observation(kind, idObs).observation; }
    // The burger, as the frame would hand it over.
    ItemService::NewItem burger(int quantity) const
    {
        ItemService::NewItem item;
        item.shown = openingOf(db, kTable);
        item.productCode = 112;
        item.price = Decimal::parse(QStringLiteral("38,50")).value();
        item.quantity = quantity;
        item.idOperador = 1;
        return item;
    }

    TestDatabase db{true};
    ItemService service{desk::sql()};
};

TEST_F(ItemServiceTest, CodeLookupFindsTheProductAndADescriptionListsCandidatesInOrder)
{
    ItemService::Lookup found = service.LERPRO(QStringLiteral("309"));
    ASSERT_EQ(found.result, Result::Found);
    EXPECT_EQ(found.code, 309);
    EXPECT_EQ(found.product.description, QStringLiteral("CAIPIRINHA DE LIMÃO"));
    EXPECT_EQ(found.product.price.toDisplay(2), QStringLiteral("19,90")); // charged at valorVenda
    EXPECT_TRUE(found.product.allowsJa);

    // Digits split by a blank are still a code; none such says nothing.
    found = service.LERPRO(QStringLiteral("12 34"));
    EXPECT_EQ(found.result, Result::Unknown);
    EXPECT_EQ(found.code, 1234);
    EXPECT_TRUE(found.outcome.message.isEmpty());

    found = service.LERPRO(QStringLiteral("CAIPIRINHA"));
    ASSERT_EQ(found.result, Result::Listed);
    ASSERT_EQ(found.listed.size(), 1u);
    EXPECT_EQ(found.listed[0].code, 309);
    EXPECT_EQ(found.listed[0].menuPrice.toDisplay(2), QStringLiteral("22,00")); // listed at valorCardapio

    // Whatever follows a double blank is ignored.
    found = service.LERPRO(QStringLiteral("COCA  COLA"));
    ASSERT_EQ(found.listed.size(), 1u);
    EXPECT_EQ(found.listed[0].code, 303);

    found = service.LERPRO(QStringLiteral("SUCO"));
    ASSERT_EQ(found.listed.size(), 2u);
    EXPECT_EQ(found.listed[0].description, QStringLiteral("SUCO DE LARANJA NATURAL"));
    EXPECT_EQ(found.listed[1].description, QStringLiteral("SUCO DE MARACUJÁ"));
    EXPECT_EQ(found.listed[1].code, 306);

    // A letter among digits makes a description; nothing matches.
    found = service.LERPRO(QStringLiteral("30A"));
    EXPECT_EQ(found.result, Result::Listed);
    EXPECT_TRUE(found.listed.empty());
    EXPECT_EQ(service.LERPRO(QStringLiteral("   ")).result, Result::Nothing);
}

TEST_F(ItemServiceTest, InactiveProductsAreRefusedAndBottledDrinksTakeNoJa)
{
    ItemService::Lookup found = service.LERPRO(QStringLiteral("114"));
    EXPECT_EQ(found.result, Result::Inactive);
    EXPECT_EQ(found.outcome.message, QStringLiteral("Produto inativo !!!"));
    EXPECT_EQ(found.outcome.severity, Outcome::Severity::Stop);

    found = service.LERPRO(QStringLiteral("303"));
    ASSERT_EQ(found.result, Result::Found);
    EXPECT_FALSE(found.product.allowsJa);
    EXPECT_TRUE(service.LERPRO(QStringLiteral("112")).product.allowsJa);
}

TEST_F(ItemServiceTest, UnreadableProductsAreSaidAndAnUnreadableListEndsTheScreen)
{
    SqlTestProbe::on(desk::sql()).failNext(stmt::kProductById);
    ItemService::Lookup found = service.LERPRO(QStringLiteral("309"));
    EXPECT_EQ(found.result, Result::Unknown);
    EXPECT_TRUE(found.outcome.failed());
    EXPECT_EQ(found.outcome.message, QStringLiteral("Erro HY000 na leitura do produto !!!"));

    SqlTestProbe::on(desk::sql()).failNext(stmt::kProductsLike);
    found = service.LERPRO(QStringLiteral("PIZZA"));
    EXPECT_EQ(found.result, Result::Failed);
    EXPECT_EQ(found.outcome.message, QStringLiteral("Erro na leitura dos produtos !!!"));
    EXPECT_EQ(found.outcome.severity, Outcome::Severity::Stop);

    SqlTestProbe::on(desk::sql()).failNext("FETCH CURP");
    found = service.LERPRO(QStringLiteral("SUCO"));
    EXPECT_EQ(found.result, Result::Failed);
    EXPECT_EQ(found.outcome.message, QStringLiteral("Erro na leitura do cursor (LERPRO) !!!"));
    EXPECT_TRUE(found.listed.empty());
}

TEST_F(ItemServiceTest, ObservationsAndDiscountKindsAreReadForTheKindChosen)
{
    ItemService::ObservationRead read = service.observation('C', 2);
    ASSERT_TRUE(read.outcome.done());
    EXPECT_EQ(read.observation.description.trimmed(), QStringLiteral("Bacon"));
    EXPECT_EQ(read.observation.value.toDisplay(2), QStringLiteral("4,00"));
    EXPECT_EQ(service.observation('S', 1).observation.value.toDisplay(2), QStringLiteral("0,00"));

    read = service.observation('O', 4242);
    EXPECT_TRUE(read.outcome.refused());
    EXPECT_EQ(read.outcome.message, QStringLiteral("Observação 4242 não cadastrada !!!"));
    EXPECT_EQ(read.outcome.severity, Outcome::Severity::Information);

    // The kind looked up is the one the search's code names; the code is
    // what the refusal tells.
    ItemService::DiscountRead kind = service.discountKind(103, 3);
    ASSERT_TRUE(kind.outcome.done());
    EXPECT_EQ(kind.description, QStringLiteral("Cliente VIP"));
    kind = service.discountKind(177, 77);
    EXPECT_EQ(kind.outcome.message, QStringLiteral("Desconto 177 não cadastrado !!!"));
    SqlTestProbe::on(desk::sql()).failNext(stmt::kDiscountById);
    kind = service.discountKind(103, 3);
    EXPECT_TRUE(kind.outcome.failed());
    EXPECT_EQ(kind.outcome.message, QStringLiteral("Erro HY000 na leitura do desconto !!!"));
}

TEST_F(ItemServiceTest, TheChecksOfAConfirmation)
{
    const Decimal coffee = Decimal::parse(QStringLiteral("6,00")).value();
    using Invalid = ItemService::Invalid;
    EXPECT_EQ(ItemService::check(0, Decimal(), coffee), Invalid::Quantity);
    EXPECT_EQ(ItemService::check(2, Decimal::parse(QStringLiteral("6,01")), coffee), Invalid::Discount);
    EXPECT_EQ(ItemService::check(2, std::nullopt, coffee), Invalid::Discount);
    EXPECT_EQ(ItemService::check(2, Decimal::parse(QStringLiteral("-1")), coffee), Invalid::Discount);
    // The whole price may go; the quantity plays no part.
    EXPECT_EQ(ItemService::check(2, Decimal::parse(QStringLiteral("6,00")), coffee), Invalid::Nothing);
    EXPECT_EQ(ItemService::refusal(Invalid::Quantity).message, QStringLiteral("Quantidade inválida !!!"));
    EXPECT_EQ(ItemService::refusal(Invalid::Discount).message, QStringLiteral("Desconto inválido !!!"));

    ItemService::NewItem none = burger(0);
    EXPECT_TRUE(service.INSITEM(none).refused());
    EXPECT_EQ(itemsOnTable(), 0);
}

TEST_F(ItemServiceTest, QuantityThreeGivesThreeItemsEachWithItsOwnObservationsAndOneOrderTime)
{
    ItemService::NewItem item = burger(3);
    item.observations = {chosen('C', 2), chosen('S', 1)};
    const Outcome outcome = service.INSITEM(item);
    ASSERT_TRUE(outcome.done()) << outcome.message.toStdString();
    EXPECT_EQ(outcome.next, Outcome::Next::Reread);

    EXPECT_EQ(itemsOnTable(), 3);
    const QString where = QStringLiteral(" FROM mov_MesaItem WHERE idMesa=%1").arg(kTable);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(DISTINCT horaPedido)") + where), 1);
    EXPECT_EQ(
        value(QStringLiteral("SELECT DISTINCT CONCAT_WS('|',idCardapio,idGrupo,idProduto,valorUnitario,idOperador,"
                             "status,idComanda,produzido,idMotivoCanc,idOpeCanc,idDesconto,descontoManual,"
                             "CONCAT('[',operDesc,']'),viagem,CONCAT('[',operBaixa,']'),CONCAT('[',reservado,']'))")
              + where),
        QStringLiteral("1|10|112|38.50|1|I|999999|N|0|0|0|0.00|[]|N|[]|[]"));
    EXPECT_NE(value(QStringLiteral("SELECT MIN(horaPedido)") + where), QStringLiteral("00:00:00"));
    EXPECT_EQ(observationsOnTable(), 6);
    EXPECT_EQ(
        count(QStringLiteral("SELECT COUNT(*) FROM (SELECT idItem FROM mov_MesaItemObs WHERE idMesa=%1 "
                             "GROUP BY idItem HAVING GROUP_CONCAT(CONCAT(idObs,tipo) ORDER BY idItemObs)='2C,1S')x")
                  .arg(kTable)),
        3);
}

TEST_F(ItemServiceTest, DiscountsAreWrittenWithWhoGaveThem)
{
    // A product on no menu, its whole price taken off by hand: no name,
    // since no discount kind was chosen and no name was shown.
    ItemService::NewItem coffee;
    coffee.shown = openingOf(db, kTable);
    coffee.productCode = 311;
    coffee.price = Decimal::parse(QStringLiteral("6,00")).value();
    coffee.quantity = 2;
    coffee.manualDiscount = coffee.price;
    coffee.idOperador = 1;
    ASSERT_TRUE(service.INSITEM(coffee).done());
    EXPECT_EQ(value(QStringLiteral("SELECT GROUP_CONCAT(CONCAT_WS('|',idCardapio,idGrupo,descontoManual,idDesconto,"
                                   "CONCAT('[',operDesc,']'))) FROM mov_MesaItem WHERE idMesa=%1")
                        .arg(kTable)),
              QStringLiteral("0|0|6.00|0|[],0|0|6.00|0|[]"));

    // A discount kind, given by the operator logged in.
    ItemService::NewItem picanha = burger(1);
    picanha.productCode = 101;
    picanha.discountChosen = true;
    picanha.discountKind = 3;
    picanha.discountOperator = QStringLiteral("MARIANA SOUZA");
    ASSERT_TRUE(service.INSITEM(picanha).done());
    EXPECT_EQ(value(QStringLiteral("SELECT CONCAT_WS('|',idDesconto,descontoManual,operDesc) FROM mov_MesaItem "
                                   "WHERE idMesa=%1 AND idProduto=101")
                        .arg(kTable)),
              QStringLiteral("3|0.00|MARIANA SOUZA"));
}

TEST_F(ItemServiceTest, AFailedWriteStoresNothingAndCanBeConfirmedAgain)
{
    const QString items0 = value(QStringLiteral("CHECKSUM TABLE mov_MesaItem"));
    ItemService::NewItem item = burger(2);
    item.observations = {chosen('C', 2), chosen('S', 1)};

    // The first observation fails, after the first unit was inserted.
    SqlTestProbe::on(desk::sql())
        .failNext(stmt::kInsertItemObservation, QStringLiteral("HY000"), QStringLiteral("disk full"));
    Outcome outcome = service.INSITEM(item);
    EXPECT_TRUE(outcome.failed());
    EXPECT_EQ(outcome.severity, Outcome::Severity::Stop);
    EXPECT_EQ(outcome.next, Outcome::Next::Stay);
    EXPECT_EQ(outcome.message, QStringLiteral("Erro HY000 na gravação do item: nada foi gravado !!!"));
    EXPECT_EQ(outcome.error.message, QStringLiteral("disk full"));
    EXPECT_EQ(value(QStringLiteral("CHECKSUM TABLE mov_MesaItem")), items0);
    EXPECT_EQ(itemsOnTable(), 0);
    EXPECT_EQ(observationsOnTable(), 0);

    ASSERT_TRUE(service.INSITEM(item).done());
    EXPECT_EQ(itemsOnTable(), 2);
    EXPECT_EQ(observationsOnTable(), 4);

    // An edit that fails keeps the stored observations.
    const qint64 idItem =
        value(QStringLiteral("SELECT MIN(idItem) FROM mov_MesaItem WHERE idMesa=%1").arg(kTable)).toLongLong();
    ItemService::EditedItem edit;
    edit.idItem = idItem;
    edit.shown = openingOf(db, kTable);
    SqlTestProbe::on(desk::sql()).failNext(stmt::kSetItemDiscount);
    outcome = service.CARITEM(edit);
    EXPECT_TRUE(outcome.failed());
    EXPECT_TRUE(outcome.message.startsWith(QStringLiteral("Erro HY000 na alteração do item: nada foi alterado !!!")));
    EXPECT_EQ(value(QStringLiteral("SELECT GROUP_CONCAT(CONCAT(idObs,tipo) ORDER BY idItemObs) FROM mov_MesaItemObs "
                                   "WHERE idItem=%1")
                        .arg(idItem)),
              QStringLiteral("2C,1S"));
}

TEST_F(ItemServiceTest, AnItemIsReadForEditingAsItWasLaunched)
{
    setPosition(db, kTable, 'A');
    ItemSpec discounted{kTable, 112, "30.00"};
    discounted.discount = 3;
    const qint64 first = addItem(db, discounted);
    db.run(QStringLiteral("UPDATE mov_MesaItem SET operDesc='ROBERTO LIMA' WHERE idItem=%1").arg(first));
    addObservation(db, first, kTable, 2, 'C');
    addObservation(db, first, kTable, 1, 'S');
    addObservation(db, first, kTable, 4242, 'O'); // no longer in the catalogue
    ItemSpec stale{kTable, 201, "28.00"};
    stale.manual = "2.50";
    const qint64 second = addItem(db, stale);
    db.run(QStringLiteral("UPDATE mov_MesaItem SET operDesc='FULANO' WHERE idItem=%1").arg(second));

    ItemService::EditRead read = service.readItem(first);
    ASSERT_TRUE(read.outcome.done()) << read.outcome.message.toStdString();
    const ItemService::StoredItem &item = read.item;
    EXPECT_EQ(item.idMesa, kTable);
    EXPECT_EQ(item.productCode, 112);
    EXPECT_EQ(item.price.toDisplay(2), QStringLiteral("30,00")); // the item's price, not today's
    EXPECT_EQ(item.discountKind, 3);
    EXPECT_EQ(item.discountDescription, QStringLiteral("Cliente VIP"));
    EXPECT_EQ(item.discountOperator, QStringLiteral("ROBERTO LIMA"));
    EXPECT_TRUE(item.manualDiscount.isZero());
    ASSERT_EQ(item.observations.size(), 3u);
    EXPECT_EQ(item.observations[0].kind, 'C');
    EXPECT_EQ(item.observations[0].idObs, 2);
    EXPECT_EQ(item.observations[0].value.toDisplay(2), QStringLiteral("4,00"));
    EXPECT_EQ(item.observations[1].kind, 'S');
    EXPECT_EQ(item.observations[2].idObs, 4242);
    EXPECT_TRUE(item.observations[2].description.trimmed().isEmpty());

    // Without a discount kind no name is shown, whatever is stored.
    read = service.readItem(second);
    ASSERT_TRUE(read.outcome.done());
    EXPECT_EQ(read.item.manualDiscount.toDisplay(2, false), QStringLiteral("2,50"));
    EXPECT_TRUE(read.item.discountOperator.isEmpty());

    // A list of observations that cannot be read keeps the frame shut.
    SqlTestProbe::on(desk::sql()).failNext(stmt::kItemObservations);
    read = service.readItem(first);
    EXPECT_TRUE(read.outcome.failed());
    EXPECT_EQ(read.outcome.message, QStringLiteral("Erro HY000 na leitura das observações do item !!!"));

    // An item gone meanwhile is refused and the table read again.
    read = service.readItem(999999);
    EXPECT_TRUE(read.outcome.refused());
    EXPECT_EQ(read.outcome.message, QStringLiteral("Item não está mais na mesa !!!"));
    EXPECT_EQ(read.outcome.next, Outcome::Next::Reread);
}

TEST_F(ItemServiceTest, EditingRewritesObservationsAndDiscountColumns)
{
    setPosition(db, kTable, 'A');
    ItemSpec discounted{kTable, 112, "30.00"};
    discounted.discount = 3;
    const qint64 first = addItem(db, discounted);
    addObservation(db, first, kTable, 2, 'C');
    addObservation(db, first, kTable, 1, 'S');
    const QString oldObs = value(QStringLiteral("SELECT MAX(idItemObs) FROM mov_MesaItemObs"));

    ItemService::EditedItem edit;
    edit.idItem = first;
    edit.shown = openingOf(db, kTable);
    edit.discountKind = 3;
    edit.discountOperator = QStringLiteral("ROBERTO LIMA");
    edit.observations = {chosen('C', 2), chosen('S', 1), chosen('C', 10)};
    const Outcome outcome = service.CARITEM(edit);
    ASSERT_TRUE(outcome.done()) << outcome.message.toStdString();
    EXPECT_EQ(outcome.next, Outcome::Next::Reread);
    EXPECT_EQ(value(QStringLiteral("SELECT GROUP_CONCAT(CONCAT(idObs,tipo) ORDER BY idItemObs) FROM mov_MesaItemObs "
                                   "WHERE idItem=%1")
                        .arg(first)),
              QStringLiteral("2C,1S,10C"));
    // Written again as new rows.
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM mov_MesaItemObs WHERE idItem=%1 AND idItemObs<=%2")
                        .arg(first)
                        .arg(oldObs)),
              0);
    EXPECT_EQ(value(QStringLiteral("SELECT CONCAT_WS('|',idDesconto,descontoManual,operDesc,valorUnitario,idProduto) "
                                   "FROM mov_MesaItem WHERE idItem=%1")
                        .arg(first)),
              QStringLiteral("3|0.00|ROBERTO LIMA|30.00|112"));

    // Edited as read: a manual discount and no discount kind, so the name
    // stored with it (another terminal's) goes; an observation is added on
    // the item's position.
    ItemSpec stale{kTable, 201, "28.00"};
    stale.manual = "2.50";
    const qint64 second = addItem(db, stale);
    db.run(QStringLiteral("UPDATE mov_MesaItem SET operDesc='FULANO' WHERE idItem=%1").arg(second));
    const ItemService::EditRead read = service.readItem(second);
    ASSERT_TRUE(read.outcome.done()) << read.outcome.message.toStdString();
    ItemService::EditedItem asShown;
    asShown.idItem = second;
    asShown.shown = openingOf(db, kTable);
    asShown.asRead = read.item;
    asShown.discountKind = read.item.discountKind;
    asShown.manualDiscount = read.item.manualDiscount;
    asShown.discountOperator = read.item.discountOperator;
    asShown.observations = {chosen('C', 10)};
    ASSERT_TRUE(service.CARITEM(asShown).done());
    EXPECT_EQ(value(QStringLiteral("SELECT CONCAT_WS('|',idDesconto,descontoManual,CONCAT('[',operDesc,']')) FROM "
                                   "mov_MesaItem WHERE idItem=%1")
                        .arg(second)),
              QStringLiteral("0|2.50|[]"));
    EXPECT_EQ(
        value(
            QStringLiteral("SELECT CONCAT_WS('|',idObs,idMesa,tipo) FROM mov_MesaItemObs WHERE idItem=%1").arg(second)),
        QStringLiteral("10|2101|C"));
}

TEST_F(ItemServiceTest, EditOfAnItemGoneMeanwhileIsRefusedAndLeavesNoObservationsBehind)
{
    setPosition(db, kTable, 'A');
    const qint64 idItem = addItem(db, {kTable, 112, "38.50"});
    addObservation(db, idItem, kTable, 2, 'C');
    db.run(QStringLiteral("DELETE FROM mov_MesaItem WHERE idItem=%1; DELETE FROM mov_MesaItemObs WHERE idItem=%1")
               .arg(idItem));

    ItemService::EditedItem edit;
    edit.idItem = idItem;
    edit.shown = openingOf(db, kTable);
    edit.observations = {chosen('C', 2)};
    const Outcome outcome = service.CARITEM(edit);
    EXPECT_TRUE(outcome.refused());
    EXPECT_EQ(outcome.message, QStringLiteral("Itens da mesa foram alterados em outro terminal, confira a mesa !!!"));
    EXPECT_EQ(outcome.next, Outcome::Next::Reread);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM mov_MesaItemObs WHERE idItem=%1").arg(idItem)), 0);
}

TEST_F(ItemServiceTest, ObservationCodesAboveNineHundredNinetyNineKeepTheirCode)
{
    db.run(QStringLiteral("INSERT INTO tab_Observacao VALUES(1001,'Sem lactose',0,0,1.00,0,0,0)"));
    ItemService::NewItem item = burger(1);
    item.observations = {chosen('O', 1001)};
    ASSERT_TRUE(service.INSITEM(item).done());
    EXPECT_EQ(value(QStringLiteral("SELECT CONCAT(idObs,tipo) FROM mov_MesaItemObs WHERE idMesa=%1").arg(kTable)),
              QStringLiteral("1001O"));
}

} // namespace
} // namespace qv::test

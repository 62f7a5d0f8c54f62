// Moving items between positions without any form: the target checks and
// the item, kitchen and observation moves, all or none.
#include "board/TableReader.h"
#include "data/Statements.h"
#include "platform/Sql.h"
#include "platform/SqlProbe.h"
#include "platform/ui/Desk.h"
#include "session/Session.h"
#include "tables/TransferService.h"

#include "Seed.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace qv::test {
namespace {

class TransferServiceTest : public ::testing::Test
{
protected:
    ShownTable read(int idMesa)
    {
        TableReader reader(desk::sql(), desk::session());
        return reader.LERMESA(idMesa, false).table;
    }
    QString itemTable(qint64 idItem)
    {
        return db.value(QStringLiteral("SELECT idMesa FROM mov_MesaItem WHERE idItem=%1").arg(idItem));
    }
    QString kitchenTable(qint64 idItem)
    {
        return db.value(QStringLiteral("SELECT idPedMesa FROM mov_Cozinha WHERE idItem=%1").arg(idItem));
    }
    QString observationTables(qint64 idItem)
    {
        return db.value(
            QStringLiteral("SELECT GROUP_CONCAT(idMesa ORDER BY idItemObs) FROM mov_MesaItemObs WHERE idItem=%1")
                .arg(idItem));
    }

    TestDatabase db{true};
    TransferService service{desk::sql()};
};

TEST_F(TransferServiceTest, TargetsAreOpenClosedOrRefusedWithTheirMessage)
{
    Outcome refusal;
    EXPECT_EQ(service.target(1202, refusal), TransferService::Target::Open);
    EXPECT_EQ(service.target(2201, refusal), TransferService::Target::Closed);

    EXPECT_EQ(service.target(9950, refusal), TransferService::Target::Refused);
    EXPECT_EQ(refusal.message, QStringLiteral("Mesa/Posição não existe !!!"));
    EXPECT_EQ(refusal.severity, Outcome::Severity::Stop);
    for (int notOpen : {1801, 1501}) { // bill requested, blocked
        refusal = Outcome();
        EXPECT_EQ(service.target(notOpen, refusal), TransferService::Target::Refused) << notOpen;
        EXPECT_EQ(refusal.message, QStringLiteral("Erro, mesa não está aberta !!!")) << notOpen;
        EXPECT_EQ(refusal.severity, Outcome::Severity::Stop);
    }
    // A position that cannot be read is not offered as a target.
    SqlTestProbe::on(desk::sql()).failNext(stmt::kTableById);
    EXPECT_EQ(service.target(1202, refusal), TransferService::Target::Refused);
    EXPECT_EQ(refusal.message, QStringLiteral("Mesa/Posição não existe !!!"));
}

TEST_F(TransferServiceTest, ItemsMoveWithTheirObservationsAndTheKitchenTakesTheTableOnly)
{
    setPosition(db, 1203, 'A');
    ASSERT_EQ(kitchenTable(1), QStringLiteral("3"));
    const Outcome outcome = service.TRANSFERE(read(301), 1203, QString(), {1});
    ASSERT_TRUE(outcome.done()) << outcome.message.toStdString();
    // The source still has items: read again, no closing.
    EXPECT_EQ(outcome.next, Outcome::Next::Reread);
    EXPECT_EQ(itemTable(1), QStringLiteral("1203"));
    EXPECT_EQ(kitchenTable(1), QStringLiteral("12"));
    EXPECT_EQ(observationTables(1), QStringLiteral("1203"));
    // What was not selected stays.
    EXPECT_EQ(itemTable(2), QStringLiteral("301"));
    EXPECT_EQ(kitchenTable(2), QStringLiteral("3"));

    // Observations moved survive the source's closing (the deletes of its
    // sale's last step).
    ASSERT_TRUE(service.TRANSFERE(read(1201), 1202, QString(), {19}).done());
    EXPECT_EQ(observationTables(19), QStringLiteral("1202,1202"));
    db.run(QStringLiteral("DELETE FROM mov_MesaItem WHERE idMesa=1201; DELETE FROM mov_MesaItemObs WHERE idMesa=1201"));
    EXPECT_EQ(observationTables(19), QStringLiteral("1202,1202"));
}

TEST_F(TransferServiceTest, EmptyingTheSourceGoesOnToItsClosingAndNoItemMovesNothing)
{
    // Only observation rows selected: nothing moves, the source is read again.
    Outcome outcome = service.TRANSFERE(read(1201), 1202, QString(), {});
    ASSERT_TRUE(outcome.done());
    EXPECT_EQ(outcome.next, Outcome::Next::Reread);
    for (qint64 id : {19, 20, 21})
        EXPECT_EQ(itemTable(id), QStringLiteral("1201"));
    EXPECT_EQ(observationTables(19), QStringLiteral("1201,1201"));

    outcome = service.TRANSFERE(read(1202), 1201, QString(), {22, 23, 24});
    ASSERT_TRUE(outcome.done());
    EXPECT_EQ(outcome.next, Outcome::Next::CloseAccount);
    for (qint64 id : {22, 23, 24})
        EXPECT_EQ(itemTable(id), QStringLiteral("1201"));
    EXPECT_EQ(observationTables(24), QStringLiteral("1201"));
    EXPECT_EQ(db.value(QStringLiteral("SELECT COUNT(*) FROM mov_MesaItem WHERE idMesa=1202")), QStringLiteral("0"));
}

TEST_F(TransferServiceTest, AFailureAtAnyStepMovesNothingAndTellsItsState)
{
    setPosition(db, 1203, 'A');
    // The first item's item and kitchen rows are already moved when a later
    // step fails.
    for (const std::string_view statement : {stmt::kMoveItem, stmt::kMoveKitchen, stmt::kMoveItemObservations}) {
        SqlTestProbe::on(desk::sql()).failNext(statement, QStringLiteral("40001"));
        const Outcome outcome = service.TRANSFERE(read(301), 1203, QString(), {1, 2});
        EXPECT_TRUE(outcome.failed()) << statement;
        EXPECT_EQ(outcome.message, QStringLiteral("Erro 40001 na transferência, nenhum item foi transferido !!!"));
        EXPECT_EQ(outcome.severity, Outcome::Severity::Stop);
        EXPECT_EQ(outcome.next, Outcome::Next::Stay);
        EXPECT_EQ(itemTable(1), QStringLiteral("301")) << statement;
        EXPECT_EQ(itemTable(2), QStringLiteral("301")) << statement;
        EXPECT_EQ(kitchenTable(1), QStringLiteral("3")) << statement;
        EXPECT_EQ(observationTables(1), QStringLiteral("301")) << statement;
        EXPECT_FALSE(desk::sql().inUnitOfWork());
    }
    // Tried again, it goes through.
    const Outcome outcome = service.TRANSFERE(read(301), 1203, QString(), {1, 2});
    EXPECT_TRUE(outcome.done());
    EXPECT_EQ(itemTable(2), QStringLiteral("1203"));
    EXPECT_EQ(kitchenTable(2), QStringLiteral("12"));
}

} // namespace
} // namespace qv::test

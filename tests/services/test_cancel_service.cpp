// Cancelling items with a reason and acknowledging their delivery, without
// any form: what is stored, what is refused and how the table goes on.
#include "data/Statements.h"
#include "items/CancelService.h"
#include "platform/Sql.h"
#include "platform/SqlProbe.h"
#include "platform/ui/Desk.h"

#include "Seed.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace qv::test {
namespace {

using Next = Outcome::Next;

class CancelServiceTest : public ::testing::Test
{
protected:
    QString cancelColumns(qint64 id) const
    {
        return db.value(
            QStringLiteral(
                "SELECT CONCAT_WS(',',status,produzido,idMotivoCanc,idOpeCanc) FROM mov_MesaItem WHERE idItem=%1")
                .arg(id));
    }
    QString item(qint64 id, const char *column) const
    {
        return db.value(
            QStringLiteral("SELECT %1 FROM mov_MesaItem WHERE idItem=%2").arg(QLatin1String(column)).arg(id));
    }
    CancelService::Cancellation cancellation(std::vector<std::int64_t> items, int reason, bool produced) const
    {
        CancelService::Cancellation c;
        c.shown = openingOf(db, 1201);
        c.liveItems = {19, 20, 21};
        c.items = std::move(items);
        c.reasonCode = reason;
        c.produced = produced;
        c.idOperador = 1;
        return c;
    }
    CancelService::Acknowledgement acknowledgement(int idOperador) const
    {
        CancelService::Acknowledgement a;
        a.shown = openingOf(db, 1201);
        a.itemCount = 3;
        a.items = {19, 21};
        a.waiterName = QStringLiteral("JOSE RODRIGUES");
        a.idOperador = idOperador;
        return a;
    }

    TestDatabase db{true};
    CancelService service{desk::sql()};
};

TEST_F(CancelServiceTest, SelectedItemsAreCancelledWithReasonProducedAndOperatorAndTheTableIsReadAgain)
{
    const Outcome outcome = service.CANCITE(cancellation({19, 21}, 5, true));
    EXPECT_TRUE(outcome.done());
    EXPECT_EQ(outcome.next, Next::Reread);
    EXPECT_TRUE(outcome.message.isEmpty());
    EXPECT_EQ(cancelColumns(19), QStringLiteral("C,S,5,1"));
    EXPECT_EQ(cancelColumns(21), QStringLiteral("C,S,5,1"));
    EXPECT_EQ(cancelColumns(20), QStringLiteral("I,N,0,0"));
    // The observations of a cancelled item stay with it.
    EXPECT_EQ(db.value(QStringLiteral("SELECT COUNT(*) FROM mov_MesaItemObs WHERE idItem=19")), QStringLiteral("2"));

    // The column holds two digits of the reason's code.
    EXPECT_TRUE(service.CANCITE(cancellation({20}, 105, false)).done());
    EXPECT_EQ(cancelColumns(20), QStringLiteral("C,N,5,1"));
}

TEST_F(CancelServiceTest, DeliveredAndPrintedItemsAreCancelledToo)
{
    db.run(QStringLiteral("UPDATE mov_MesaItem SET status='R' WHERE idItem=5"));
    CancelService::Cancellation c = cancellation({1, 5}, 2, false);
    c.shown = openingOf(db, 301);
    c.liveItems = {1, 2, 3, 4, 5};
    EXPECT_EQ(service.CANCITE(c).next, Next::Reread);
    EXPECT_EQ(cancelColumns(1), QStringLiteral("C,N,2,1"));
    EXPECT_EQ(cancelColumns(5), QStringLiteral("C,N,2,1"));
}

TEST_F(CancelServiceTest, CancellingEveryLiveItemGoesOnToCloseTheAccount)
{
    CancelService::Cancellation c = cancellation({37, 38}, 1, false);
    c.shown = openingOf(db, 2501);
    c.liveItems = {37, 38};
    const Outcome outcome = service.CANCITE(c);
    EXPECT_TRUE(outcome.done());
    EXPECT_EQ(outcome.next, Next::CloseAccount);
    EXPECT_EQ(cancelColumns(37), QStringLiteral("C,N,1,1"));
    EXPECT_EQ(cancelColumns(38), QStringLiteral("C,N,1,1"));
}

TEST_F(CancelServiceTest, AFailingUpdateLeavesEveryItemAsItWasAndSaysWhichItemStopped)
{
    SqlTestProbe::on(desk::sql())
        .failNext(stmt::kCancelItem, QStringLiteral("HY000"), QStringLiteral("Lock wait timeout exceeded"));
    const Outcome outcome = service.CANCITE(cancellation({19, 21}, 1, false));
    EXPECT_TRUE(outcome.failed());
    EXPECT_EQ(outcome.severity, Outcome::Severity::Stop);
    EXPECT_EQ(outcome.next, Next::Reread);
    EXPECT_EQ(outcome.error.state, QStringLiteral("HY000"));
    EXPECT_TRUE(outcome.message.startsWith(QStringLiteral("Erro HY000 no cancelamento do item 19 !!!")));
    EXPECT_TRUE(outcome.message.contains(QStringLiteral("Lock wait timeout exceeded")));
    EXPECT_EQ(cancelColumns(19), QStringLiteral("I,N,0,0"));
    EXPECT_EQ(cancelColumns(21), QStringLiteral("I,N,0,0"));

    // Confirmed again, it goes through.
    EXPECT_TRUE(service.CANCITE(cancellation({19, 21}, 1, false)).done());
    EXPECT_EQ(cancelColumns(19), QStringLiteral("C,N,1,1"));
}

TEST_F(CancelServiceTest, NothingOnShowOrNoItemCancelsNothingAndSaysNothing)
{
    CancelService::Cancellation c = cancellation({19}, 1, false);
    c.shown.idMesa = 0;
    Outcome outcome = service.CANCITE(c);
    EXPECT_TRUE(outcome.refused());
    EXPECT_TRUE(outcome.message.isEmpty());
    EXPECT_EQ(outcome.next, Next::Stay);
    c = cancellation({19}, 1, false);
    c.liveItems.clear();
    EXPECT_TRUE(service.CANCITE(c).refused());
    EXPECT_EQ(cancelColumns(19), QStringLiteral("I,N,0,0"));
}

TEST_F(CancelServiceTest, AcknowledgingChangesOnlyTheItemsStillLaunched)
{
    db.run(QStringLiteral("UPDATE mov_MesaItem SET status='R' WHERE idItem=20"));
    CancelService::Acknowledgement a = acknowledgement(1);
    a.items = {19, 20};
    const Outcome outcome = service.BAIXITE(a);
    EXPECT_TRUE(outcome.done());
    EXPECT_TRUE(outcome.message.isEmpty());
    EXPECT_EQ(outcome.next, Next::Reread);
    EXPECT_EQ(item(19, "status"), QStringLiteral("E"));
    EXPECT_EQ(item(19, "operBaixa"), QStringLiteral("JOSE RODRIGUES"));
    EXPECT_EQ(item(20, "status"), QStringLiteral("R"));
    EXPECT_EQ(item(20, "operBaixa"), QString());
    EXPECT_EQ(item(21, "status"), QStringLiteral("I"));
}

TEST_F(CancelServiceTest, AcknowledgementNeedsTheRightAsStoredNow)
{
    // Operator 4 never had it.
    Outcome outcome = service.BAIXITE(acknowledgement(4));
    EXPECT_TRUE(outcome.refused());
    EXPECT_EQ(outcome.message, QStringLiteral("Operador sem direito a Baixa !!!"));
    EXPECT_EQ(outcome.severity, Outcome::Severity::Information);
    EXPECT_EQ(outcome.next, Next::Stay);
    // Refused even with nothing selected, as long as the table has items.
    CancelService::Acknowledgement none = acknowledgement(4);
    none.items.clear();
    EXPECT_EQ(service.BAIXITE(none).message, QStringLiteral("Operador sem direito a Baixa !!!"));
    // A table without items says nothing.
    CancelService::Acknowledgement empty = acknowledgement(4);
    empty.itemCount = 0;
    EXPECT_TRUE(service.BAIXITE(empty).message.isEmpty());

    // Operator 1 had it at log-in; taken away meanwhile, it is gone.
    db.run(QStringLiteral("UPDATE tab_Operador SET direito8=' ' WHERE idOperador=1"));
    EXPECT_EQ(service.BAIXITE(acknowledgement(1)).message, QStringLiteral("Operador sem direito a Baixa !!!"));
    EXPECT_EQ(db.value(QStringLiteral("SELECT COUNT(*) FROM mov_MesaItem WHERE idMesa=1201 AND status='I'")),
              QStringLiteral("3"));

    // An unreadable operator is said, not taken for one without the right.
    SqlTestProbe::on(desk::sql()).failNext(stmt::kOperatorById, QStringLiteral("HY000"), QStringLiteral("gone"));
    outcome = service.BAIXITE(acknowledgement(1));
    EXPECT_TRUE(outcome.failed());
    EXPECT_EQ(outcome.message, QStringLiteral("Erro HY000 na leitura do operador !!!\ngone"));
    EXPECT_EQ(outcome.next, Next::Stay);
}

TEST_F(CancelServiceTest, AFailingAcknowledgementChangesNothing)
{
    SqlTestProbe::on(desk::sql()).failNext(stmt::kAcknowledgeItem);
    const Outcome outcome = service.BAIXITE(acknowledgement(1));
    EXPECT_TRUE(outcome.failed());
    EXPECT_EQ(outcome.severity, Outcome::Severity::Stop);
    EXPECT_EQ(outcome.next, Next::Reread);
    EXPECT_TRUE(outcome.message.startsWith(QStringLiteral("Erro HY000 na baixa do item 19 !!!")));
    EXPECT_EQ(item(19, "status"), QStringLiteral("I"));
    EXPECT_EQ(item(21, "status"), QStringLiteral("I"));
}

} // namespace
} // namespace qv::test

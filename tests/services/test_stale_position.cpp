// Every command that writes on a position, given a reading that another
// desk or terminal made stale before the command ran: the position freed,
// reopened for other guests, blocked, split, an item cancelled, the other
// end of a transfer or a split closed. Nothing may be written, the outcome
// must name what happened, and a reading afterwards shows the truth. A
// change the command does not depend on must not refuse it.
#include "board/TableReader.h"
#include "data/Statements.h"
#include "items/CancelService.h"
#include "items/ItemService.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "platform/ui/Desk.h"
#include "printing/PrintService.h"
#include "session/Exchanges.h"
#include "session/Session.h"
#include "tables/ClosingService.h"
#include "tables/OpenTableService.h"
#include "tables/SplitService.h"
#include "tables/TableService.h"
#include "tables/TransferService.h"

#include "Seed.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace qv::test {
namespace {

using Next = Outcome::Next;

// What the other desk or terminal did between the reading and the command.
enum class Meanwhile {
    Freed,          // closed the account: position 'F', its items gone
    Reopened,       // closed it and opened it again for other guests
    Blocked,        // blocked it (F2) to take the payment
    Split,          // split its bill (only on a blocked position)
    ItemCancelled,  // cancelled the first item
    ItemEdited,     // gave the first item a discount
    ItemLaunched,   // a waiter launched another item
    TargetFreed,    // closed position 02, the other end of the command
    OpenedElsewhere // opened the free position 01 itself
};

// The table each case gets to itself: position 01 (shown), 02 and 03 open.
struct TableUnderTest
{
    int table = 0;
    int shown() const { return table * 100 + 1; }
    int second() const { return table * 100 + 2; }
    qint64 itemA = 0; // with an observation, not on a ticket
    qint64 itemB = 0; // on ticket 123456
};

struct Case
{
    const char *command;
    Meanwhile meanwhile;
    char status;         // of position 01 as shown
    const char *message; // what the cashier is told; empty: the command is done
    Next next;
    std::function<Outcome(const TableUnderTest &, const ShownTable &)> run;
};

constexpr const char *kFreed = "Mesa já foi fechada em outro caixa !!!";
constexpr const char *kReopened = "Mesa foi fechada e aberta de novo em outro caixa, confira a mesa !!!";
constexpr const char *kBlocked = "Mesa foi bloqueada em outro caixa, confira a mesa !!!";
constexpr const char *kSplit = "Conta da mesa foi dividida em outro caixa, confira a mesa !!!";
constexpr const char *kItems = "Itens da mesa foram alterados em outro terminal, confira a mesa !!!";
constexpr const char *kDone = "";

class StalePositionTest : public ::testing::Test
{
protected:
    StalePositionTest() { startDinnerAtDesk1(); }

    TableUnderTest prepareTable(int table, char status)
    {
        TableUnderTest s;
        s.table = table;
        setPosition(db, s.shown(), status);
        setPosition(db, s.second(), 'A');
        setPosition(db, table * 100 + 3, 'A');
        s.itemA = addItem(db, {s.shown(), 112, "38.50"});
        addObservation(db, s.itemA, s.shown(), 2, 'C');
        ItemSpec b{s.shown(), 311, "6.00"};
        b.comanda = 123456;
        s.itemB = addItem(db, b);
        return s;
    }

    void interfere(const TableUnderTest &s, Meanwhile meanwhile)
    {
        const QString free = QStringLiteral(
            "UPDATE mov_Mesa SET status='F',qtdPessoas=0,idGarcon=0,horaAbertura='00:00:00',taxaServico=0,"
            "dividida='N' WHERE idMesa=%1; DELETE FROM mov_MesaItemObs WHERE idMesa=%1; "
            "DELETE FROM mov_MesaItem WHERE idMesa=%1");
        switch (meanwhile) {
        case Meanwhile::Freed: db.run(free.arg(s.shown())); break;
        case Meanwhile::Reopened:
            db.run(free.arg(s.shown()));
            db.run(QStringLiteral("UPDATE mov_Mesa SET status='A',qtdPessoas=3,horaAbertura='23:59:00' WHERE idMesa=%1")
                       .arg(s.shown()));
            break;
        case Meanwhile::Blocked:
            db.run(QStringLiteral("UPDATE mov_Mesa SET status='B' WHERE idMesa=%1").arg(s.shown()));
            break;
        case Meanwhile::Split:
            db.run(QStringLiteral("UPDATE mov_Mesa SET dividida='S',taxaServico=0 WHERE idMesa=%1").arg(s.shown()));
            break;
        case Meanwhile::ItemCancelled:
            db.run(QStringLiteral("UPDATE mov_MesaItem SET status='C' WHERE idItem=%1").arg(s.itemA));
            break;
        case Meanwhile::ItemEdited:
            db.run(QStringLiteral("UPDATE mov_MesaItem SET descontoManual=1 WHERE idItem=%1").arg(s.itemA));
            break;
        case Meanwhile::ItemLaunched: addItem(db, {s.shown(), 112, "38.50"}); break;
        case Meanwhile::TargetFreed: db.run(free.arg(s.second())); break;
        case Meanwhile::OpenedElsewhere:
            db.run(QStringLiteral("UPDATE mov_Mesa SET status='A',qtdPessoas=3,idGarcon=4,horaAbertura='21:00:00' "
                                  "WHERE idMesa=%1")
                       .arg(s.shown()));
            break;
        }
    }

    // Everything a command could write on the table's positions.
    QString snapshot(int table) const
    {
        return db.value(
            QStringLiteral(
                "SELECT CONCAT_WS('#',(SELECT GROUP_CONCAT(CONCAT_WS(',',idMesa,status,qtdPessoas,idGarcon,"
                "horaAbertura,idDesconto,descontoManual,operDesc,taxaServico,dividida) ORDER BY idMesa) FROM mov_Mesa "
                "WHERE idMesa DIV 100=%1),(SELECT GROUP_CONCAT(CONCAT_WS(',',idItem,idMesa,status,idComanda,"
                "idDesconto,descontoManual,produzido) ORDER BY idItem) FROM mov_MesaItem WHERE idMesa DIV 100=%1),"
                "(SELECT GROUP_CONCAT(CONCAT_WS(',',idItemObs,idItem,idMesa,idObs) ORDER BY idItemObs) FROM "
                "mov_MesaItemObs WHERE idMesa DIV 100=%1),(SELECT COUNT(*) FROM mov_Vendas),"
                "(SELECT COUNT(*) FROM mov_MesaCobranca))")
                .arg(table));
    }

    ShownTable read(int idMesa)
    {
        const TableReader::Reading reading = reader.LERMESA(idMesa, false);
        EXPECT_EQ(reading.result, TableReader::Reading::Result::Shown) << idMesa;
        return reading.table;
    }

    TestDatabase db{true};
    TableReader reader{desk::sql(), desk::session()};
    TableService tables{desk::sql(), desk::session()};
    ItemService items{desk::sql()};
    CancelService cancel{desk::sql()};
    PrintService printing{desk::sql()};
    TransferService transfer{desk::sql()};
    SplitService split{desk::sql(), desk::session()};
    OpenTableService opener{desk::sql()};
    ClosingService closing{desk::sql(), desk::session()};
};

TEST_F(StalePositionTest, EveryWriteActsOnlyOnTheOpeningShown)
{
    const auto people = [this](const TableUnderTest &, const ShownTable &t) {
        return tables.peopleCount(t, QStringLiteral("5"));
    };
    const auto toggleBlock = [this](const TableUnderTest &, const ShownTable &t) { return tables.toggleBlock(t); };
    const auto billRequest = [this](const TableUnderTest &, const ShownTable &t) {
        return tables.IMPMESA(t, QStringLiteral("ANTONIO SILVA"));
    };
    const auto tableDiscount = [this](const TableUnderTest &, const ShownTable &t) {
        return tables.tableDiscount(t, {105, 5}, QStringLiteral("MARIANA SOUZA").leftJustified(20));
    };
    const auto manualDiscount = [this](const TableUnderTest &, const ShownTable &t) {
        return tables.manualDiscount(t, QStringLiteral("2,00"));
    };
    const auto fee = [this](const TableUnderTest &, const ShownTable &t) {
        return tables.toggleService(t, QStringLiteral("2")).outcome;
    };
    const auto include = [this](const TableUnderTest &, const ShownTable &t) {
        ItemService::NewItem item;
        item.shown = t.opening();
        item.productCode = 112;
        item.price = Decimal::parse(QStringLiteral("38,50")).value();
        item.quantity = 2;
        item.idOperador = 1;
        item.observations = {items.observation('S', 1).observation};
        return items.INSITEM(item);
    };
    const auto edit = [this](const TableUnderTest &s, const ShownTable &t) {
        ItemService::EditedItem item;
        item.idItem = s.itemA;
        item.shown = t.opening();
        item.discountKind = 3;
        item.discountOperator = QStringLiteral("ROBERTO LIMA");
        item.observations = {items.observation('C', 10).observation};
        // The frame was filled with the item as launched.
        ItemService::StoredItem launched;
        launched.idItem = s.itemA;
        launched.idMesa = t.idMesa;
        launched.observations = {items.observation('C', 2).observation};
        item.asRead = launched;
        return items.CARITEM(item);
    };
    const auto cancelItems = [this](const TableUnderTest &s, const ShownTable &t) {
        CancelService::Cancellation c;
        c.shown = t.opening();
        c.liveItems = {s.itemA, s.itemB};
        c.items = {s.itemA};
        c.reasonCode = 1;
        c.idOperador = 1;
        return cancel.CANCITE(c);
    };
    const auto acknowledge = [this](const TableUnderTest &s, const ShownTable &t) {
        CancelService::Acknowledgement a;
        a.shown = t.opening();
        a.itemCount = 2;
        a.items = {s.itemA, s.itemB};
        a.waiterName = QStringLiteral("JOSE RODRIGUES");
        a.idOperador = 1;
        return cancel.BAIXITE(a);
    };
    const auto reprintProduct = [this](const TableUnderTest &s, const ShownTable &t) {
        return printing.reprintProducts(t, {s.itemA});
    };
    const auto reprintComanda = [this](const TableUnderTest &s, const ShownTable &t) {
        return printing.reprintComandas(t, {s.itemA, s.itemB});
    };
    const auto move = [this](const TableUnderTest &s, const ShownTable &t) {
        Outcome refusal;
        QString openedAt;
        EXPECT_EQ(transfer.target(s.second(), refusal, &openedAt), TransferService::Target::Open);
        return transfer.TRANSFERE(t, s.second(), openedAt, {s.itemA});
    };
    // The target was read before the other desk closed it.
    const auto moveToReadTarget = [this](const TableUnderTest &s, const ShownTable &t) {
        return transfer.TRANSFERE(t, s.second(), QStringLiteral("20:00:00"), {s.itemA});
    };
    const auto share = [this](const TableUnderTest &s, const ShownTable &t) {
        SplitService::Request request;
        const Outcome checked = split.check(t, t.idMesa, request);
        if (!checked.done())
            return checked;
        return split.DIVIDIR(request, {s.second(), s.table * 100 + 3});
    };
    const auto shareCheckedBefore = [this](const TableUnderTest &s, const ShownTable &t) {
        SplitService::Request request{t.idMesa, t.totals.tableTotal - t.totals.serviceValue, t.opening()};
        return split.DIVIDIR(request, {s.second(), s.table * 100 + 3});
    };
    const auto closeAccount = [this](const TableUnderTest &, const ShownTable &t) {
        exchange::PaymentExchange::answer({true, QStringLiteral("01").leftJustified(350), Decimal(), Decimal()});
        return closing.GRAVAR(t, {});
    };

    const std::vector<Case> cases = {
        {"people", Meanwhile::Freed, 'A', kFreed, Next::Release, people},
        {"people", Meanwhile::Reopened, 'A', kReopened, Next::Reread, people},
        {"people", Meanwhile::Blocked, 'A', kDone, Next::Stay, people},
        {"block", Meanwhile::Freed, 'A', kFreed, Next::Release, toggleBlock},
        {"block", Meanwhile::Reopened, 'A', kReopened, Next::Reread, toggleBlock},
        {"block", Meanwhile::Blocked, 'A', "Mesa foi bloqueada em outro caixa, confira a mesa !!!", Next::Reread,
         toggleBlock},
        {"unblock", Meanwhile::Split, 'B', kSplit, Next::Reread, toggleBlock},
        {"unblock", Meanwhile::ItemLaunched, 'B', kDone, Next::Reread, toggleBlock},
        {"bill request", Meanwhile::Freed, 'A', kFreed, Next::Release, billRequest},
        {"bill request", Meanwhile::Reopened, 'A', kReopened, Next::Reread, billRequest},
        {"bill request", Meanwhile::Blocked, 'A', kBlocked, Next::Reread, billRequest},
        {"table discount", Meanwhile::Freed, 'A', kFreed, Next::Release, tableDiscount},
        {"table discount", Meanwhile::Reopened, 'A', kReopened, Next::Reread, tableDiscount},
        {"manual discount", Meanwhile::Freed, 'A', kFreed, Next::Release, manualDiscount},
        {"manual discount", Meanwhile::Reopened, 'A', kReopened, Next::Reread, manualDiscount},
        {"fee", Meanwhile::Freed, 'A', kFreed, Next::Release, fee},
        {"fee", Meanwhile::Blocked, 'A', kBlocked, Next::Reread, fee},
        {"fee", Meanwhile::ItemLaunched, 'A', kDone, Next::Stay, fee},
        {"include", Meanwhile::Freed, 'A', kFreed, Next::Release, include},
        {"include", Meanwhile::Reopened, 'A', kReopened, Next::Reread, include},
        {"include", Meanwhile::Blocked, 'A', kBlocked, Next::Reread, include},
        {"include", Meanwhile::ItemCancelled, 'A', kDone, Next::Reread, include},
        {"edit", Meanwhile::Freed, 'A', kFreed, Next::Release, edit},
        {"edit", Meanwhile::ItemCancelled, 'A', kItems, Next::Reread, edit},
        {"edit", Meanwhile::ItemEdited, 'A', kItems, Next::Reread, edit},
        {"edit", Meanwhile::ItemLaunched, 'A', kDone, Next::Reread, edit},
        {"cancel", Meanwhile::Freed, 'A', kFreed, Next::Release, cancelItems},
        {"cancel", Meanwhile::Reopened, 'A', kReopened, Next::Reread, cancelItems},
        {"cancel", Meanwhile::ItemCancelled, 'A', kItems, Next::Reread, cancelItems},
        {"cancel", Meanwhile::Blocked, 'A', kBlocked, Next::Reread, cancelItems},
        {"delivery", Meanwhile::Freed, 'A', kFreed, Next::Release, acknowledge},
        {"delivery", Meanwhile::ItemCancelled, 'A', kItems, Next::Reread, acknowledge},
        {"reprint product", Meanwhile::Freed, 'A', kFreed, Next::Release, reprintProduct},
        {"reprint product", Meanwhile::ItemCancelled, 'A', kItems, Next::Reread, reprintProduct},
        {"reprint comanda", Meanwhile::Reopened, 'A', kReopened, Next::Reread, reprintComanda},
        {"reprint comanda", Meanwhile::Blocked, 'A', kBlocked, Next::Reread, reprintComanda},
        {"transfer", Meanwhile::Freed, 'A', kFreed, Next::Release, move},
        {"transfer", Meanwhile::ItemCancelled, 'A', kItems, Next::Reread, move},
        {"transfer", Meanwhile::Blocked, 'A', kBlocked, Next::Reread, move},
        {"transfer", Meanwhile::TargetFreed, 'A', "Mesa %1/02 não está mais aberta, nada foi gravado !!!", Next::Reread,
         moveToReadTarget},
        {"split", Meanwhile::Freed, 'B', kFreed, Next::Release, shareCheckedBefore},
        {"split", Meanwhile::Split, 'B', kSplit, Next::Reread, shareCheckedBefore},
        {"split", Meanwhile::ItemLaunched, 'B', kItems, Next::Reread, shareCheckedBefore},
        {"split", Meanwhile::TargetFreed, 'B', "Mesa %1/02 não está mais aberta, nada foi gravado !!!", Next::Reread,
         share},
        {"closing", Meanwhile::Reopened, 'B', kFreed, Next::Release, closeAccount},
    };

    int table = 20;
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.command) + " / case on table " + std::to_string(table));
        const TableUnderTest s = prepareTable(table++, c.status);
        const ShownTable shown = read(s.shown());
        interfere(s, c.meanwhile);
        const QString before = snapshot(s.table);
        const Outcome o = c.run(s, shown);
        EXPECT_FALSE(desk::sql().inUnitOfWork());
        if (QString::fromUtf8(c.message).isEmpty()) {
            // Nothing this command depends on changed: it is done.
            EXPECT_TRUE(o.done()) << o.message.toStdString();
            EXPECT_NE(snapshot(s.table), before);
            continue;
        }
        EXPECT_TRUE(o.refused()) << o.message.toStdString();
        QString told = QString::fromUtf8(c.message);
        if (told.contains(QLatin1String("%1")))
            told = told.arg(s.table, 3, 10, QLatin1Char('0'));
        EXPECT_EQ(o.message, told);
        EXPECT_EQ(o.next, c.next);
        EXPECT_EQ(snapshot(s.table), before) << "written on a stale position";

        // What the screen reads next is what the other desk left.
        const TableReader::Reading after = reader.LERMESA(s.shown(), false);
        switch (c.meanwhile) {
        case Meanwhile::Freed: EXPECT_EQ(after.result, TableReader::Reading::Result::Free); break;
        case Meanwhile::Reopened: EXPECT_EQ(after.table.openedAt, QStringLiteral("23:59:00")); break;
        case Meanwhile::Blocked: EXPECT_TRUE(after.table.blocked()); break;
        case Meanwhile::Split: EXPECT_TRUE(after.table.split()); break;
        case Meanwhile::ItemCancelled: EXPECT_EQ(after.table.itemCount(), 1); break;
        case Meanwhile::ItemEdited:
            for (const ShownItem &item : after.table.items) {
                if (item.idItem == s.itemA) {
                    EXPECT_EQ(item.manualDiscount.cents(), 100);
                }
            }
            break;
        case Meanwhile::ItemLaunched: EXPECT_EQ(after.table.itemCount(), 3); break;
        case Meanwhile::TargetFreed:
        case Meanwhile::OpenedElsewhere: EXPECT_EQ(after.table.itemCount(), 2); break;
        }
    }
}

TEST_F(StalePositionTest, APositionOpenedElsewhereIsNeverOpenedOver)
{
    setPosition(db, 5901, 'F');
    const TableUnderTest s{59};
    interfere(s, Meanwhile::OpenedElsewhere);
    const QString before = snapshot(59);
    OpenTableService::Opening opening{5901, 2, QStringLiteral("JOAO PEREIRA"), 1, Decimal()};
    const OpenTableService::Opened opened = opener.ABRIR(opening);
    EXPECT_TRUE(opened.outcome.refused());
    EXPECT_EQ(opened.outcome.message, QStringLiteral("Mesa já foi aberta em outro terminal !!!"));
    EXPECT_EQ(opened.outcome.next, Next::Reread);
    EXPECT_EQ(snapshot(59), before);
    EXPECT_EQ(read(5901).openedAt, QStringLiteral("21:00:00"));

    // An empty position closed with F10 (freed without a sale) that was
    // freed and opened again meanwhile is not freed under its new guests:
    // for the closing, that account was closed elsewhere.
    setPosition(db, 5801, 'A');
    const ShownTable empty = read(5801);
    db.run(QStringLiteral("UPDATE mov_Mesa SET horaAbertura='22:00:00' WHERE idMesa=5801"));
    const ClosingService::Preparation p = closing.prepare(empty);
    EXPECT_EQ(p.then, ClosingService::Then::Stop);
    EXPECT_EQ(p.outcome.message, QString::fromUtf8(kFreed));
    EXPECT_EQ(db.value(QStringLiteral("SELECT status FROM mov_Mesa WHERE idMesa=5801")), QStringLiteral("A"));
}

TEST_F(StalePositionTest, ALockHeldByAnotherDeskIsToldAsSuchAndWritesNothing)
{
    struct LockCase
    {
        const char *command;
        char status;
        const char *message;
        std::function<Outcome(const ShownTable &)> run;
    };
    const std::vector<LockCase> cases = {
        {"people", 'A', "Mesa em uso em outro caixa ou terminal, nada foi gravado, tente novamente !!!",
         [this](const ShownTable &t) { return tables.peopleCount(t, QStringLiteral("7")); }},
        {"closing", 'B',
         "Mesa em uso em outro caixa ou terminal: nada foi gravado, a mesa continua bloqueada, tente novamente !!!",
         [this](const ShownTable &t) {
             exchange::PaymentExchange::answer({true, QStringLiteral("01").leftJustified(350), Decimal(), Decimal()});
             return closing.GRAVAR(t, {});
         }},
    };
    Sql::Connection c;
    c.socket = TestDatabase::socket();
    c.database = db.name();
    Sql::Connection mine = c;
    mine.timeoutSeconds = 1;
    int table = 50;
    for (const LockCase &lc : cases) {
        SCOPED_TRACE(lc.command);
        const TableUnderTest s = prepareTable(table++, lc.status);
        const ShownTable shown = read(s.shown());
        // Another desk holds the position's row for longer than this desk
        // waits for it.
        Sql other;
        other.setConnection(c);
        ASSERT_TRUE(other.begin());
        ASSERT_TRUE(other.exec(stmt::kLockShownPosition, {s.shown()}).ok());
        desk::sql().setConnection(mine);
        const QString before = snapshot(s.table);
        const Outcome o = lc.run(shown);
        other.rollback();
        EXPECT_TRUE(o.refused()) << o.message.toStdString();
        EXPECT_EQ(o.message, QString::fromUtf8(lc.message));
        EXPECT_EQ(o.next, Next::Stay);
        EXPECT_EQ(snapshot(s.table), before);
        EXPECT_FALSE(desk::sql().inUnitOfWork());
    }
}

} // namespace
} // namespace qv::test

#include "Seed.h"

namespace qv::test {

qint64 addItem(const TestDatabase &db, const ItemSpec &i)
{
    return db
        .run(QStringLiteral("INSERT INTO mov_MesaItem VALUES(0,%1,0,0,%2,%3,%4,'%5',%6,'20:00:00','N',0,0,%7,%8,' ',"
                            "'%9',' ',' '); SELECT LAST_INSERT_ID();")
                 .arg(i.idMesa)
                 .arg(i.product)
                 .arg(QLatin1String(i.price))
                 .arg(i.waiter)
                 .arg(QLatin1Char(i.status))
                 .arg(i.comanda)
                 .arg(i.discount)
                 .arg(QLatin1String(i.manual))
                 .arg(QLatin1Char(i.takeAway)))
        .toLongLong();
}

void addObservation(const TestDatabase &db, qint64 idItem, int idMesa, int idObs, char kind)
{
    db.run(QStringLiteral("INSERT INTO mov_MesaItemObs VALUES(0,%1,%2,%3,'%4')")
               .arg(idItem)
               .arg(idObs)
               .arg(idMesa)
               .arg(QLatin1Char(kind)));
}

void addKitchen(const TestDatabase &db, qint64 idItem, int table, bool collected)
{
    db.run(QStringLiteral("INSERT INTO mov_Cozinha(idItem,tipo,idPedMesa,hrPronto,baixaGarHora) "
                          "VALUES(%1,'M',%2,'20:10:00','%3')")
               .arg(idItem)
               .arg(table)
               .arg(collected ? QStringLiteral("20:20:00") : QStringLiteral("00:00:00")));
}

ShownOpening openingOf(const TestDatabase &db, int idMesa)
{
    const QStringList row =
        db.value(QStringLiteral("SELECT CONCAT_WS('|',status,horaAbertura,dividida) FROM mov_Mesa WHERE idMesa=%1")
                     .arg(idMesa))
            .split(QLatin1Char('|'));
    ShownOpening shown;
    shown.idMesa = idMesa;
    if (row.size() == 3) {
        shown.openedAt = row[1];
        shown.blocked = row[0] == QLatin1String("B");
        shown.split = row[2] == QLatin1String("S");
    }
    return shown;
}

void setPosition(const TestDatabase &db, int idMesa, char status, int people, int waiter, const char *service)
{
    db.run(QStringLiteral("INSERT INTO mov_Mesa(idMesa,descricao,status) VALUES(%1,'',' ') "
                          "ON DUPLICATE KEY UPDATE idMesa=idMesa; "
                          "UPDATE mov_Mesa SET status='%2',qtdPessoas=%3,idGarcon=%4,horaAbertura='20:00:00',"
                          "idDesconto=0,descontoManual=0,operDesc=' ',taxaServico=%5,dividida='N' WHERE idMesa=%1")
               .arg(idMesa)
               .arg(QLatin1Char(status))
               .arg(people)
               .arg(waiter)
               .arg(QLatin1String(service)));
}

} // namespace qv::test

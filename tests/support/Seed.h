#pragma once

#include "TestSupport.h"

#include "board/ShownTable.h"

namespace qv::test {

// Small writers of test rows, as the waiters' terminals and the kitchen
// would leave them.
struct ItemSpec
{
    int idMesa;
    int product = 112;
    const char *price = "10.00";
    char status = 'I';
    int discount = 0;
    char takeAway = 'N';
    const char *manual = "0";
    int comanda = 999999;
    int waiter = 4;
};

// Inserts an item and returns its idItem.
qint64 addItem(const TestDatabase &db, const ItemSpec &item);
void addObservation(const TestDatabase &db, qint64 idItem, int idMesa, int idObs, char kind);
void addKitchen(const TestDatabase &db, qint64 idItem, int table, bool collected);
// Sets a position's row: status, people, waiter (other columns as opened).
void setPosition(const TestDatabase &db, int idMesa, char status, int people = 2, int waiter = 4,
                 const char *service = "10.00");

// The position as a screen reading it now would show it: what a command's
// checks compare with.
ShownOpening openingOf(const TestDatabase &db, int idMesa);

} // namespace qv::test

#pragma once

#include <QString>

namespace qv {

// The stored state of a table position (mov_Mesa.status).
enum class TableStatus : char {
    Free = 'F',
    Open = 'A',
    Blocked = 'B',
    BillRequested = 'I', // the bill was asked for; shown and filtered like a blocked table
};

// The state a table or a position shows on the board and in the position
// lists: its stored status, except that an open position with live items
// shows they were ordered, or that a dessert was.
enum class ShownState : char {
    Open = 'A',    // no live item
    Ordered = 'P', // "Pedido": a live item
    Dessert = 'S', // "Sobremesa": a live dessert
    BillRequested = 'I',
    Blocked = 'B',
    Free = 'F',
};

// The state of an item (mov_MesaItem.status).
enum class ItemStatus : char {
    Launched = 'I',
    Delivered = 'E',
    Reprint = 'R',        // of its comanda, or of an item that has one
    ProductReprint = 'P', // of an item without a comanda number
    Cancelled = 'C',
    CancelledElsewhere = 'K', // by another module; never written here
};

// The kind of an item observation (mov_MesaItemObs.tipo).
enum class ObservationKind : char {
    With = 'C',    // "Com": adds valorCom
    Without = 'S', // "Sem": takes off valorSem
    Free = 'O',    // "Obs": adds valorObs
};

// Where a sale or a kitchen order comes from (mov_Vendas.tipo,
// mov_Cozinha.tipo): a table's account, here.
enum class SaleKind : char {
    Table = 'M',
};

// An operator's right (tab_Operador.direito1 .. direito11).
enum class Right : char {
    Granted = 'X',
};

// The situation of an operator (tab_Operador.situacao).
enum class OperatorSituation : char {
    Left = 'E', // no longer with the house: never offered as a waiter
};

// A yes/no column: mov_Mesa.dividida, mov_Vendas.cancelada,
// cad_Produtos.sobremesa and inativo, mov_MesaItem.viagem, ...
enum class Flag : char {
    Yes = 'S',
    No = 'N',
};

template <typename Letter>
constexpr char letterOf(Letter value)
{
    return static_cast<char>(value);
}

// The letter as stored, one character.
template <typename Letter>
QString textOf(Letter value)
{
    return QString(QChar::fromLatin1(letterOf(value)));
}

// Whether a stored column (blank-padded text) holds that letter.
template <typename Letter>
bool holds(const QString &column, Letter value)
{
    return !column.isEmpty() && column.at(0) == QChar::fromLatin1(letterOf(value));
}

// Items in these states count nowhere: not in lists, totals or counts.
inline bool isCancelled(const QString &status)
{
    return holds(status, ItemStatus::Cancelled) || holds(status, ItemStatus::CancelledElsewhere);
}

} // namespace qv

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

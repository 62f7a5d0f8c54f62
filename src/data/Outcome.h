#pragma once

#include "platform/Sql.h"

#include <QString>
#include <QStringList>

namespace qv {

// What a command did, for the screen to tell: the services below the forms
// never open a message box. Done, refused (with the exact text the cashier
// reads, or none for a silent refusal), or failed on the database (the
// step, the SQLSTATE and the server's text). `next` says how the table on
// show goes on afterwards.
struct Outcome
{
    enum class Kind {
        Done,
        Refused,
        Failed
    };
    enum class Severity {
        Information,
        Stop
    };
    enum class Next {
        Stay,         // nothing to repaint
        Reread,       // read the table again (LERMESA)
        Release,      // leave the table: detail cleared, board rebuilt
        CloseAccount, // go on with closing the account (an emptied table)
    };

    Kind kind = Kind::Done;
    Severity severity = Severity::Information;
    QString message; // shown as it is; empty shows nothing
    QString step;    // what was being done when the database failed
    DbError error;
    Next next = Next::Stay;
    // Diagnostic lines for the console output, written before the message.
    QStringList console;

    bool done() const { return kind == Kind::Done; }
    bool refused() const { return kind == Kind::Refused; }
    bool failed() const { return kind == Kind::Failed; }
    // Failed because the server could not be reached.
    bool serverLost() const { return failed() && error.connectionLost; }

    static Outcome ok(Next next = Next::Stay)
    {
        Outcome o;
        o.next = next;
        return o;
    }
    static Outcome refuse(const QString &message, Severity severity = Severity::Information, Next next = Next::Stay)
    {
        Outcome o;
        o.kind = Kind::Refused;
        o.message = message;
        o.severity = severity;
        o.next = next;
        return o;
    }
    // A database failure, told with a stop icon.
    static Outcome fail(const QString &message, const SqlResult &result, const QString &step = QString(),
                        Next next = Next::Stay)
    {
        Outcome o;
        o.kind = Kind::Failed;
        o.severity = Severity::Stop;
        o.message = message;
        o.step = step;
        o.error = result.error();
        o.next = next;
        return o;
    }
    Outcome &then(Next n)
    {
        next = n;
        return *this;
    }
};

} // namespace qv

#pragma once

#include "platform/Files.h"
#include "platform/Record.h"
#include "session/CashDesk.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace qv {
class Sql;
}

namespace qv {

struct OperatorEntry
{
    int code = 0;
    QString name; // 20 characters, blank-padded
};

struct ReasonEntry
{
    int code = 0;
    QString description; // 30 characters
};

// The cash-desk session and the lists loaded at start-up: who is logged in,
// which period and cash desk are worked, the operators, cancellation
// reasons, printers and observations, and the parameters row. One per
// process; the period and desk digits live in the shared records, where the
// sibling modules read them too.
class Session
{
public:
    // Reads and refreshes its lists through `sql`.
    explicit Session(Sql &sql);
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;
    // Forgets everything (a new main form starts from scratch).
    void reset();

    // The shared-variables file: "00" when its first line was copied into
    // W-VARS-SQL. Otherwise `openFailed` tells whether it could not be
    // opened (the open status is returned) or had no line to read.
    QString readVariables(bool &openFailed);
    // The cash-desk control file, kept in memory.
    KeyedFile::Read readCashDesk();
    const CashDeskRecord &cashDesk() const { return m_cashDesk; }
    void setCashDesk(const CashDeskRecord &record) { m_cashDesk = record; }

    // "Caixa aberto em DD/MM/YYYY, precisa ser fechado !!!" for each open
    // period opened on a day other than `today` (DDMMYYYY), lunch first.
    QStringList staleWarnings(const QString &today) const;

    // Period digit: 2 when dinner is open, else 1 when lunch is, else the
    // digit W-NRTURNO already holds. Writes W-NRTURNO.
    void choosePeriod();
    int period() const;
    QString periodCaption() const; // "1 - Almoço" / "2 - Jantar" / ""
    QString periodName() const;    // "Almoço" / "Jantar" / ""
    // Whether cash desk n (1..5) of the current period is open.
    bool deskOpen(int n) const;

    int desk() const; // W-NRCAIXA, 0 until chosen
    // Records the choice: W-NRCAIXA and the period and desk dates and times.
    void chooseDesk(int n);

    enum class Check {
        NoDesk,
        Unreadable,
        PeriodClosed,
        DeskClosed,
        Open
    };
    // Re-reads the control file and tells whether the session still stands.
    Check check();

    // Lists. Each returns false with Sql's state when a list could not be
    // read at all; a code without a row is simply left out.
    // Operators: false, with the list read before kept, when a look-up failed.
    bool loadOperators();
    void loadReasons();
    void loadPrinters();
    bool loadObservations();
    bool readParameters();
    void readLoggedOperator();

    const std::vector<OperatorEntry> &operators() const { return m_operators; }
    const std::vector<ReasonEntry> &reasons() const { return m_reasons; }
    const QStringList &printers() const { return m_printers; }
    const std::vector<Record> &observations() const { return m_observations; }
    const Record &parameters() const { return m_parameters; }
    const Record &loggedOperator() const { return m_loggedOperator; }

    // From W-VARS-SQL: positions 21-22 and 1-20.
    int operatorCode() const;
    QString operatorName() const;
    // Right n (1..11) of the logged-in operator: "X" granted.
    bool hasRight(int n) const;

    // The printer last chosen on this screen (first line of the file), or
    // empty when none was saved.
    QString savedPrinter() const;
    QString savePrinter(const QString &name) const;

private:
    Sql &m_sql;
    CashDeskRecord m_cashDesk;
    std::vector<OperatorEntry> m_operators;
    std::vector<ReasonEntry> m_reasons;
    QStringList m_printers;
    std::vector<Record> m_observations;
    Record m_parameters;
    Record m_loggedOperator;
};

} // namespace qv

#pragma once

#include "platform/Sql.h"

#include <QDialog>

#include <functional>

#include <memory>

namespace Ui {
class Reports;
}

namespace qv {

// "15-Pemrick", our stand-in for the suite's report module: a read-only
// list of the current business date (W-CABEDAT) and period (W-VARS-SQL
// byte 31), of the kind asked for in L-LINK byte 312:
//   'M' the closed table accounts of the cash desk in W-VARS-SQL byte 32,
//   'C' the service fee earned per waiter at that cash desk,
//   'P' quantity and value sold per product, every cash desk.
// The last row of the list is the total line.
class ReportsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ReportsDialog(QWidget *parent = nullptr);
    ~ReportsDialog() override;

    Ui::Reports &ui() const { return *m_ui; }

    // Reads the report asked for. False (after saying why) when the kind is
    // unknown or the database could not be read.
    bool load();

private:
    bool loadClosedTables(const QString &date, int period, int desk);
    bool loadCommissions(const QString &date, int period, int desk);
    bool loadMenuMix(const QString &date, int period);
    bool loadCountAndValue(std::string_view text, SqlParams in, const Layout &layout, const QStringList &titles);
    bool readFailed();
    // Runs the report's statement through the report cursor and hands every
    // row to `addRow`; false (after the message) when it cannot be read.
    bool readRows(std::string_view text, SqlParams in, const Layout &layout,
                  const std::function<void(const Record &)> &addRow);
    void setColumns(const QStringList &titles, const QList<int> &rightAligned);
    void addTotalLine(const QStringList &texts);

    std::unique_ptr<Ui::Reports> m_ui;
    QList<int> m_rightAligned;
};

// Registers "15-Pemrick" (our stand-in for the suite's module) in the form registry.
void registerReports();

} // namespace qv

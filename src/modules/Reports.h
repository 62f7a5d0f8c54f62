#pragma once

#include "tables/SalesFigures.h"

#include <QDialog>

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
    bool showClosedTables(SalesFigures &figures, const SalesFigures::Period &period, int desk);
    bool showLines(const SalesFigures &figures, const std::optional<SalesFigures::Lines> &report,
                   const QStringList &titles);
    bool readFailed(const DbError &error);
    void setColumns(const QStringList &titles, const QList<int> &rightAligned);
    void addTotalLine(const QStringList &texts);

    std::unique_ptr<Ui::Reports> m_ui;
    QList<int> m_rightAligned;
};

// Registers "15-Pemrick" (our stand-in for the suite's module) in the form registry.
void registerReports();

} // namespace qv

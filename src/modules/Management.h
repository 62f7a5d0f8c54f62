#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class Management;
}

namespace qv {

// "05-Olvant", our stand-in for the suite's management screen: a read-only
// overview of the period being worked (W-NRTURNO, business date W-CABEDAT):
// the positions open right now, and the accounts closed in the period with
// their total. Nothing is passed in or handed back.
class ManagementDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ManagementDialog(QWidget *parent = nullptr);
    ~ManagementDialog() override;

    Ui::Management &ui() const { return *m_ui; }

    // Reads the overview; false (after saying why) when the database could
    // not be read.
    bool load();

private:
    std::unique_ptr<Ui::Management> m_ui;
};

// Registers "05-Olvant" (our stand-in for the suite's module) in the form registry.
void registerManagement();

} // namespace qv

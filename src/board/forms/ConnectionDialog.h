#pragma once

#include "platform/Config.h"
#include "session/ConnectionCheck.h"

#include <QDialog>

#include <memory>

namespace Ui {
class ConnectionDialog;
}

namespace qv {

// "Conexao": the database connection of this desk, for a technician. Shown
// on the first start (no configuration file yet) and when the connection
// fails at start-up. It shows the settings in force, says exactly what
// fails with them ("Testar conexão": server not reachable, access denied,
// unknown database, TLS required or refused, certificate not verified,
// schema missing or older), and writes them into the user's file, readable
// by the owner only. Every field has its Alt key; Esc leaves.
class ConnectionDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ConnectionDialog(const Config &initial, QWidget *parent = nullptr);
    ~ConnectionDialog() override;

    Ui::ConnectionDialog &ui() const { return *m_ui; }

    // The settings as the fields hold them.
    Config settings() const;
    // Bt_TESTAR: connects with the fields' settings and tells the outcome.
    ConnectionReport test();
    // Bt_GRAVAR: writes the settings; closes the dialog when they are
    // written. False (and a box saying why) when they could not be.
    bool save();

private:
    std::unique_ptr<Ui::ConnectionDialog> m_ui;
    Config m_initial;
};

// The form name in the registry.
inline constexpr const char *kConnectionForm = "Conexao";

// Registers "Conexao": opened with the configuration in force, it answers
// QDialog::Accepted once the settings were written (and are then in force).
void registerConnectionDialog();

} // namespace qv

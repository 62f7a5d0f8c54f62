#include "board/forms/ConnectionDialog.h"

#include "platform/Log.h"
#include "platform/ui/UiService.h"
#include "ui_ConnectionDialog.h"

#include <QApplication>
#include <QIntValidator>

namespace qv {

ConnectionDialog::ConnectionDialog(const Config &initial, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::ConnectionDialog>()), m_initial(initial)
{
    m_ui->setupUi(this);
    setObjectName(QString::fromLatin1(kConnectionForm));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_ui->Ed_PORTA->setValidator(new QIntValidator(1, 65535, m_ui->Ed_PORTA));

    // A cluster's servers show as their list, host:port,host:port.
    m_ui->Ed_SERVIDOR->setText(initial.dbHosts.isEmpty() ? initial.dbHost : initial.dbHosts.join(QLatin1Char(',')));
    m_ui->Ed_PORTA->setText(QString::number(initial.dbPort));
    m_ui->Ed_SOQUETE->setText(initial.dbSocket);
    m_ui->Ed_USUARIO->setText(initial.dbUser);
    m_ui->Ed_SENHA->setText(initial.dbPassword);
    m_ui->Ed_BANCO->setText(initial.dbName);
    m_ui->Chk_TLS->setChecked(initial.dbSsl);
    m_ui->Ed_CA->setText(initial.dbSslCa);
    m_ui->Chk_VERIFICA->setChecked(initial.dbSslVerify.value_or(!initial.dbSslCa.isEmpty()));
    const auto tlsFields = [this] {
        m_ui->Ed_CA->setEnabled(m_ui->Chk_TLS->isChecked());
        m_ui->Chk_VERIFICA->setEnabled(m_ui->Chk_TLS->isChecked());
    };
    tlsFields();
    connect(m_ui->Chk_TLS, &QCheckBox::toggled, this, tlsFields);
    connect(m_ui->Chk_MOSTRASENHA, &QCheckBox::toggled, this,
            [this](bool shown) { m_ui->Ed_SENHA->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password); });
    connect(m_ui->Bt_TESTAR, &QPushButton::clicked, this, [this] { test(); });
    connect(m_ui->Bt_GRAVAR, &QPushButton::clicked, this, [this] { save(); });
    connect(m_ui->Bt_SAIR, &QPushButton::clicked, this, &QDialog::reject);
    m_ui->Ed_SERVIDOR->setFocus();
}

ConnectionDialog::~ConnectionDialog() = default;

Config ConnectionDialog::settings() const
{
    Config c = m_initial;
    const QString server = m_ui->Ed_SERVIDOR->text().trimmed();
    c.dbHosts.clear();
    if (server.contains(QLatin1Char(',')))
        for (const QString &host : server.split(QLatin1Char(','), Qt::SkipEmptyParts))
            c.dbHosts << host.trimmed();
    else
        c.dbHost = server;
    c.dbPort = m_ui->Ed_PORTA->text().toInt();
    if (c.dbPort <= 0)
        c.dbPort = 3306;
    c.dbSocket = m_ui->Ed_SOQUETE->text().trimmed();
    c.dbUser = m_ui->Ed_USUARIO->text().trimmed();
    // Exactly as typed: a blank at either end is part of the password.
    c.dbPassword = m_ui->Ed_SENHA->text();
    c.dbName = m_ui->Ed_BANCO->text().trimmed();
    c.dbSsl = m_ui->Chk_TLS->isChecked();
    c.dbSslCa = m_ui->Ed_CA->text().trimmed();
    c.dbSslVerify = c.dbSsl ? std::optional<bool>(m_ui->Chk_VERIFICA->isChecked()) : m_initial.dbSslVerify;
    return c;
}

ConnectionReport ConnectionDialog::test()
{
    const Config c = settings();
    const Sql::Connection connection = Sql::Connection::fromConfig(c);
    log::hide(c.dbPassword);

    m_ui->Ds_RESULTADO->setText(QStringLiteral("Testando a conexão com %1…").arg(connection.where()));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_ui->Ds_RESULTADO->repaint();
    const ConnectionReport report = checkConnection(connection);
    QApplication::restoreOverrideCursor();

    const QString shown = report.detail.isEmpty() ? report.text : report.text + QStringLiteral("\n") + report.detail;
    m_ui->Ds_RESULTADO->setText(shown);
    m_ui->Ds_RESULTADO->setStyleSheet(report.problem == ConnectionProblem::None ? QStringLiteral("color: #1b5e20;")
                                                                                : QStringLiteral("color: #b3261e;"));
    if (report.problem == ConnectionProblem::None)
        log::info(QStringLiteral("teste de conexão com %1: %2").arg(connection.where(), report.text));
    else
        log::error(
            QStringLiteral("teste de conexão com %1: %2 (%3)").arg(connection.where(), report.text, report.detail));
    return report;
}

bool ConnectionDialog::save()
{
    const Config c = settings();
    const QString failure = c.saveDatabase();
    if (!failure.isEmpty()) {
        UiService::instance().longMessage(
            this, QStringLiteral("Não foi possível gravar %1: %2").arg(Config::filePath(), failure), style::kStop);
        return false;
    }
    log::hide(c.dbPassword);
    log::info(QStringLiteral("conexão gravada em %1: %2, banco %3, usuário %4, TLS %5")
                  .arg(Config::filePath(),
                       c.dbSocket.isEmpty() ? QStringLiteral("%1:%2").arg(c.dbHost).arg(c.dbPort) : c.dbSocket,
                       c.dbName, c.dbUser, c.dbSsl ? QStringLiteral("sim") : QStringLiteral("não")));
    // In force from now on, as the files read again give it (the system
    // file's keys the user's file does not set included).
    Config::setCurrent(Config::load());
    accept();
    return true;
}

void registerConnectionDialog()
{
    FormRegistry::instance().add(QString::fromLatin1(kConnectionForm), [](QWidget *parent) {
        ConnectionDialog dialog(Config::current(), parent);
        return dialog.exec();
    });
}

} // namespace qv

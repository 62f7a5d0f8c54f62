// The connection dialog: what its test button says for each way a
// connection fails, its keyboard, what it writes, and its place in the
// start-up of the main form.
#include "FormHarness.h"

#include "DeskDriver.h"
#include "board/forms/ConnectionDialog.h"
#include "board/forms/MainForm.h"
#include "platform/Config.h"
#include "platform/Sql.h"
#include "platform/ui/Desk.h"
#include "ui_ConnectionDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace qv;
using namespace qv::test;

namespace {

// The configuration folders of the scope: a user's file of its own and no
// system file.
struct ConfigScope
{
    ConfigScope() { Config::setCurrent(Config::load()); }
    // Destroyed last: the configuration of the folders given back.
    struct Reload
    {
        ~Reload() { Config::setCurrent(Config::load()); }
    } reload;
    QTemporaryDir home;
    EnvScope configHome{"XDG_CONFIG_HOME", home.path().toUtf8()};
    EnvScope configDirs{"XDG_CONFIG_DIRS", home.path().toUtf8() + "/none"};
};

Config connectionTo(const QString &database)
{
    Config c;
    c.dbSocket = TestDatabase::socket();
    c.dbUser = QStringLiteral("root");
    c.dbName = database;
    c.dbTimeoutSeconds = 2;
    return c;
}

} // namespace

TEST(ConnectionDialog, TheTestButtonNamesEachFailure)
{
    TestDatabase full;
    TestDatabase older;
    older.run(QStringLiteral("ALTER TABLE mov_Mesa DROP COLUMN qtdPessoas"));
    older.run(QStringLiteral("DROP TABLE tab_Impressoras"));
    const QString empty = full.name() + QStringLiteral("_empty");
    TestDatabase::client(QString(), QStringLiteral("CREATE DATABASE %1").arg(empty));
    struct DropEmpty
    {
        QString name;
        ~DropEmpty() { TestDatabase::client(QString(), QStringLiteral("DROP DATABASE IF EXISTS %1").arg(name)); }
    } drop{empty};

    const struct
    {
        const char *name;
        std::function<void(Ui::ConnectionDialog &)> fill;
        ConnectionProblem problem;
        const char *says;
    } cases[] = {
        {"everything right", [](Ui::ConnectionDialog &) {}, ConnectionProblem::None, "Conexão bem-sucedida"},
        {"no server there",
         [](Ui::ConnectionDialog &ui) { ui.Ed_SOQUETE->setText(QStringLiteral("/nonexistent/sock")); },
         ConnectionProblem::Unreachable, "Servidor /nonexistent/sock não encontrado ou não responde"},
        {"no server at the port",
         [](Ui::ConnectionDialog &ui) {
             ui.Ed_SOQUETE->clear();
             ui.Ed_SERVIDOR->setText(QStringLiteral("127.0.0.1"));
             ui.Ed_PORTA->setText(QStringLiteral("9"));
         },
         ConnectionProblem::Unreachable, "Servidor 127.0.0.1:9 não encontrado ou não responde"},
        {"wrong password", [](Ui::ConnectionDialog &ui) { ui.Ed_SENHA->setText(QStringLiteral("errada")); },
         ConnectionProblem::AccessDenied, "Acesso negado pelo banco de dados: usuário ou senha recusados"},
        {"unknown database", [](Ui::ConnectionDialog &ui) { ui.Ed_BANCO->setText(QStringLiteral("qv_nenhum")); },
         ConnectionProblem::UnknownDatabase, "O banco de dados qv_nenhum não existe no servidor"},
        {"no schema", [&empty](Ui::ConnectionDialog &ui) { ui.Ed_BANCO->setText(empty); },
         ConnectionProblem::SchemaMissing, "não tem as tabelas do Quorvel"},
        {"an older schema", [&older](Ui::ConnectionDialog &ui) { ui.Ed_BANCO->setText(older.name()); },
         ConnectionProblem::SchemaOlder, "é mais antigo que este programa: falta mov_Mesa.qtdPessoas, tab_Impressoras"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ConnectionDialog dialog(connectionTo(full.name()));
        c.fill(dialog.ui());
        QTest::mouseClick(dialog.ui().Bt_TESTAR, Qt::LeftButton);
        const QString shown = dialog.ui().Ds_RESULTADO->text();
        EXPECT_TRUE(shown.contains(QString::fromUtf8(c.says))) << shown.toStdString();
        EXPECT_EQ(dialog.test().problem, c.problem) << shown.toStdString();
    }
}

TEST(ConnectionDialog, TheKeyboardReachesEveryField)
{
    ConnectionDialog dialog(Config{});
    dialog.show();
    dialog.activateWindow();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto &ui = dialog.ui();
    ui.Chk_TLS->setChecked(true); // the TLS fields are reached once TLS is on

    const struct
    {
        Qt::Key key;
        QWidget *field;
    } shortcuts[] = {
        {Qt::Key_S, ui.Ed_SERVIDOR}, {Qt::Key_O, ui.Ed_PORTA}, {Qt::Key_Q, ui.Ed_SOQUETE}, {Qt::Key_U, ui.Ed_USUARIO},
        {Qt::Key_N, ui.Ed_SENHA},    {Qt::Key_B, ui.Ed_BANCO}, {Qt::Key_A, ui.Ed_CA},
    };
    for (const auto &s : shortcuts) {
        ui.Bt_SAIR->setFocus();
        QTest::keyClick(&dialog, s.key, Qt::AltModifier);
        EXPECT_EQ(QApplication::focusWidget(), s.field) << s.field->objectName().toStdString();
    }

    // Tab goes through every control once, in reading order.
    const QList<QWidget *> order{ui.Ed_SERVIDOR, ui.Ed_PORTA,        ui.Ed_SOQUETE, ui.Ed_USUARIO, ui.Ed_SENHA,
                                 ui.Ed_BANCO,    ui.Chk_MOSTRASENHA, ui.Chk_TLS,    ui.Ed_CA,      ui.Chk_VERIFICA,
                                 ui.Bt_TESTAR,   ui.Bt_GRAVAR,       ui.Bt_SAIR};
    ui.Ed_SERVIDOR->setFocus();
    for (qsizetype i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), order[i]) << i;
    }
    // Every button and check box has an Alt letter of its own.
    QSet<QChar> letters;
    for (QAbstractButton *b : dialog.findChildren<QAbstractButton *>()) {
        const qsizetype amp = b->text().indexOf(QLatin1Char('&'));
        ASSERT_GE(amp, 0) << b->objectName().toStdString();
        EXPECT_FALSE(letters.contains(b->text()[amp + 1].toLower())) << b->objectName().toStdString();
        letters.insert(b->text()[amp + 1].toLower());
    }
    for (QLabel *l : dialog.findChildren<QLabel *>()) {
        const qsizetype amp = l->text().indexOf(QLatin1Char('&'));
        if (amp < 0)
            continue;
        EXPECT_FALSE(letters.contains(l->text()[amp + 1].toLower())) << l->objectName().toStdString();
        letters.insert(l->text()[amp + 1].toLower());
    }
    EXPECT_EQ(ui.Bt_TESTAR->text().remove(QLatin1Char('&')), QStringLiteral("Testar conexão"));
    // Esc leaves without writing.
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
}

TEST(ConnectionDialog, SavingWritesTheUsersFileForItsOwnerOnlyAndPutsItInForce)
{
    ConfigScope scope;
    QDir().mkpath(scope.home.path() + QStringLiteral("/quorvel"));
    QFile old(Config::filePath());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("[paths]\nroot=/srv/velmorant\n");
    old.close();
    ::chmod(QFile::encodeName(Config::filePath()).constData(), 0644);

    ConnectionDialog dialog(Config::load());
    auto &ui = dialog.ui();
    ui.Ed_SERVIDOR->setText(QStringLiteral("db1:3307,db2:3307"));
    ui.Ed_USUARIO->setText(QStringLiteral("caixa"));
    ui.Ed_SENHA->setText(QStringLiteral(" ,;\"\\#=ção "));
    ui.Ed_BANCO->setText(QStringLiteral("restaurante"));
    ui.Chk_TLS->setChecked(true);
    ui.Ed_CA->setText(QStringLiteral("/etc/quorvel/ca.pem"));
    ui.Chk_VERIFICA->setChecked(true);
    QTest::mouseClick(ui.Bt_GRAVAR, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    struct stat info
    {};
    ASSERT_EQ(::stat(QFile::encodeName(Config::filePath()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const Config &now = Config::current();
    EXPECT_EQ(now.dbHosts, (QStringList{QStringLiteral("db1:3307"), QStringLiteral("db2:3307")}));
    EXPECT_EQ(now.dbUser, QStringLiteral("caixa"));
    EXPECT_EQ(now.dbPassword, QStringLiteral(" ,;\"\\#=ção "));
    EXPECT_EQ(now.dbName, QStringLiteral("restaurante"));
    EXPECT_TRUE(now.dbSsl);
    EXPECT_EQ(now.dbSslCa, QStringLiteral("/etc/quorvel/ca.pem"));
    EXPECT_EQ(now.dbSslVerify, true);
    EXPECT_EQ(now.root, QStringLiteral("/srv/velmorant"));
}

// A desk that cannot connect at start-up offers the dialog; what is saved
// there is used at once, and the desk starts.
TEST(ConnectionDialog, OfferedWhenTheConnectionFailsAtStartUp)
{
    ConfigScope scope;
    FormHarness h;
    h.standardSession();
    QDir().mkpath(scope.home.path() + QStringLiteral("/quorvel"));
    QFile ini(Config::filePath());
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[paths]\nroot=" + h.files().root().toUtf8() + "\ndrive=C\n");
    ini.close();
    Sql::Connection wrong;
    wrong.socket = TestDatabase::socket();
    wrong.user = QStringLiteral("root");
    wrong.password = QStringLiteral("não é esta");
    wrong.database = h.db().name();
    desk::sql().setConnection(wrong);

    // The technician corrects the password in the dialog and saves.
    const QString database = h.db().name();
    int opened = 0;
    FormRegistry::instance().add(QString::fromLatin1(kConnectionForm), [&](QWidget *parent) {
        ++opened;
        ConnectionDialog dialog(Config::current(), parent);
        dialog.ui().Ed_SOQUETE->setText(TestDatabase::socket());
        dialog.ui().Ed_USUARIO->setText(QStringLiteral("root"));
        dialog.ui().Ed_SENHA->clear();
        dialog.ui().Ed_BANCO->setText(database);
        return dialog.save() ? int(QDialog::Accepted) : int(QDialog::Rejected);
    });
    h.ui().answer(answer::kYes);
    MainForm &f = h.start();
    FormRegistry::instance().remove(QString::fromLatin1(kConnectionForm));

    EXPECT_EQ(opened, 1);
    EXPECT_FALSE(f.closedDown()) << h.texts().join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(f.exitStatus(), 0);
    const QStringList texts = h.texts();
    ASSERT_GE(texts.size(), 3);
    EXPECT_EQ(texts[0], QStringLiteral("Erro 28000 na conexão com o banco de dados !!!"));
    EXPECT_TRUE(texts[1].startsWith(QStringLiteral("Acesso negado pelo banco de dados"))) << texts[1].toStdString();
    EXPECT_TRUE(texts[1].contains(QStringLiteral("Access denied for user 'root'"))) << texts[1].toStdString();
    EXPECT_EQ(texts[2], QStringLiteral("Corrigir a conexão com o banco de dados agora ?"));
    EXPECT_TRUE(DeskDriver(f).Bt_CX1->isEnabled());
}

TEST(ConnectionDialog, LeftWithoutSavingTheStartUpFailsWithItsStatus)
{
    FormHarness h;
    h.standardSession();
    Sql::Connection wrong;
    wrong.socket = QStringLiteral("/nonexistent/sock");
    desk::sql().setConnection(wrong);
    h.ui().answer(answer::kYes);
    FormRegistry::instance().add(QString::fromLatin1(kConnectionForm),
                                 [](QWidget *) { return int(QDialog::Rejected); });
    MainForm &f = h.start();
    FormRegistry::instance().remove(QString::fromLatin1(kConnectionForm));
    EXPECT_TRUE(f.closedDown());
    EXPECT_EQ(f.exitStatus(), MainForm::kStartupFailed);
}

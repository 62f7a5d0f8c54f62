#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace qv;

namespace {

struct Outcome
{
    int status = -1;
    QString err;
    QString log;
};

// Starts the program with this INI (none when empty) on the offscreen
// platform, as a headless kiosk wrapper would, and waits for it to end.
Outcome startProgram(const QTemporaryDir &home, const QByteArray &ini, int mode = 0600)
{
    const QString config = home.path() + QStringLiteral("/config");
    QDir().mkpath(config + QStringLiteral("/quorvel"));
    QFile::remove(config + QStringLiteral("/quorvel/quorvel.ini"));
    if (!ini.isEmpty()) {
        QFile file(config + QStringLiteral("/quorvel/quorvel.ini"));
        file.open(QIODevice::WriteOnly);
        file.write(ini);
        file.close();
        ::chmod(QFile::encodeName(file.fileName()).constData(), mode_t(mode));
    }
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    env.insert(QStringLiteral("XDG_CONFIG_DIRS"), home.path() + QStringLiteral("/no-system-files"));
    env.insert(QStringLiteral("XDG_STATE_HOME"), home.path() + QStringLiteral("/state"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(QUORVEL_PROGRAM), {});
    Outcome run;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        run.err = QStringLiteral("hung");
        return run;
    }
    run.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.err = QString::fromUtf8(p.readAllStandardError());
    QFile log(home.path() + QStringLiteral("/state/quorvel/quorvel.log"));
    if (log.open(QIODevice::ReadOnly))
        run.log = QString::fromUtf8(log.readAll());
    return run;
}

} // namespace

TEST(ExitStatus, EveryStartupFailureEndsTheProgramWithANonZeroStatusAndLogsWhy)
{
    QTemporaryDir home;
    test::TestFiles files; // the session files, under a drive root of their own
    const QByteArray root = "[paths]\nroot=" + files.root().toUtf8() + "\n";
    const QByteArray unreachable = "[database]\nsocket=/nonexistent/quorvel.sock\nuser=caixa\n"
                                   "password=p@ss,w;rd\"\\#=\nname=quorvel\ntimeout=2\n"
                                   + root;
    const struct
    {
        const char *name;
        std::function<void()> prepare;
        QByteArray ini;
        int status;
        const char *logged; // a line the log and standard error must hold
    } cases[] = {
        {"no configuration", [] {}, QByteArray(), 1, "sem configuração"},
        {"no shared-variables file", [] {}, unreachable, 2,
         "caixa de mensagem (erro): Erro 35 na abertura C:\\Velmorant\\Temp\\VARIAVEIS.TXT !!!"},
        {"no database",
         [&files] {
             files.login(1, QStringLiteral("MARIANA SOUZA"));
             files.openPeriod(2, {1});
         },
         unreachable, 2, "SQLSTATE HY000 (2002)"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        c.prepare();
        const Outcome run = startProgram(home, c.ini);
        EXPECT_EQ(run.status, c.status) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.logged))) << run.err.toStdString();
        EXPECT_TRUE(run.log.contains(QString::fromUtf8(c.logged))) << run.log.toStdString();
        EXPECT_TRUE(run.log.contains(QStringLiteral(" iniciando (Qt "))) << run.log.toStdString();
        EXPECT_FALSE(run.log.contains(QStringLiteral("p@ss,w;rd")));
        EXPECT_FALSE(run.err.contains(QStringLiteral("p@ss,w;rd")));
    }
}

TEST(ExitStatus, APasswordFileEveryoneCanReadIsWarnedOfAtStartUp)
{
    QTemporaryDir home;
    test::TestFiles files;
    const QByteArray ini = "[database]\nsocket=/nonexistent/quorvel.sock\npassword=segredo-da-casa\ntimeout=2\n"
                           "[paths]\nroot="
                           + files.root().toUtf8() + "\n";
    for (const QString &folder :
         {home.path(), home.path() + QStringLiteral("/config"), home.path() + QStringLiteral("/config/quorvel")}) {
        QDir().mkpath(folder);
        ::chmod(QFile::encodeName(folder).constData(), 0755);
    }
    const struct
    {
        int mode;
        bool warned;
    } cases[] = {{0644, true}, {0600, false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.mode);
        QFile::remove(home.path() + QStringLiteral("/state/quorvel/quorvel.log"));
        const Outcome run = startProgram(home, ini, c.mode);
        EXPECT_EQ(run.status, 2) << run.err.toStdString();
        EXPECT_EQ(run.log.contains(QStringLiteral("caixa de mensagem (aviso): A senha do banco de dados está em ")),
                  c.warned)
            << run.log.toStdString();
        EXPECT_FALSE(run.log.contains(QStringLiteral("segredo-da-casa")));
    }
}

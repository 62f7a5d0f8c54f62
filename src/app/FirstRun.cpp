#include "app/FirstRun.h"

#include "platform/Config.h"
#include "platform/Log.h"
#include "platform/ui/UiService.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QStandardPaths>

namespace qv {

QString missingConfigurationText(const QString &iniPath, const Config &defaults, const QString &dataFolder)
{
    // The same keys, meanings and defaults as the README's configuration
    // table; the defaults come from Config itself so the two cannot drift.
    QString text =
        QStringLiteral("Configuração não encontrada: crie o arquivo\n%1\n"
                       "com as chaves abaixo e abra o Quorvel de novo.\n"
                       "Para todos os usuários desta máquina, o arquivo pode ser %2; "
                       "o do usuário vale sobre ele, chave por chave.\n")
            .arg(iniPath, Config::systemFilePaths().value(0, QStringLiteral("/etc/xdg/quorvel/quorvel.ini")));
    text += QStringLiteral("\n[database]\n"
                           "socket — soquete Unix do MariaDB; quando preenchido, host e port não são usados\n"
                           "host, port — MariaDB por TCP (padrão %1 e %2)\n"
                           "user, password — usuário e senha (padrão %3, senha vazia)\n"
                           "name — banco de dados do restaurante (padrão %4)\n"
                           "ssl, ssl-ca, ssl-capath, ssl-cert, ssl-key, ssl-verify-server-cert — conexão "
                           "criptografada (TLS), com os nomes de opção do MariaDB (opcional)\n")
                .arg(defaults.dbHost, QString::number(defaults.dbPort), defaults.dbUser, defaults.dbName);
    text += QStringLiteral("\n[paths]\n"
                           "root — pasta onde ficam as unidades do Windows do sistema (padrão %1)\n"
                           "drive — a unidade atual, para caminhos sem letra (padrão %2)\n")
                .arg(defaults.root, defaults.drive);
    text += QStringLiteral("\n[takeaway] (opcional)\n"
                           "program — programa do caixa de viagem, aberto pela tecla F12\n"
                           "\n[printing] (opcional)\n"
                           "pdfFolder — onde ficam as páginas de teste das impressoras que não existem aqui "
                           "(padrão %1)\n")
                .arg(defaults.pdfFolder);
    if (!dataFolder.isEmpty())
        text += QStringLiteral("\nO esquema do banco e o restaurante de demonstração estão em %1 "
                               "(schema.sql e demo.sql).\n")
                    .arg(dataFolder);
    return text;
}

bool configurationExists()
{
    if (QFileInfo(Config::filePath()).isFile())
        return true;
    for (const QString &system : Config::systemFilePaths())
        if (QFileInfo(system).isFile())
            return true;
    return false;
}

bool checkConfiguration(UiService &ui, bool showBox, std::FILE *err)
{
    const QString path = Config::filePath();
    if (configurationExists())
        return true;
    // load() of a missing file gives exactly the defaults the program would use.
    const QString schema =
        QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("quorvel/schema.sql"));
    const QString text =
        missingConfigurationText(path, Config::load(), schema.isEmpty() ? QString() : QFileInfo(schema).absolutePath());
    std::fputs(text.toUtf8().constData(), err);
    std::fflush(err);
    if (showBox)
        ui.longMessage(nullptr, text.trimmed(), style::kStop);
    return false;
}

bool screenSeen()
{
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

namespace {

class HeadlessUi : public WidgetUi
{
protected:
    int showMessage(QWidget *, const QString &, int style) override
    {
        return (style & 0x0F) == style::kYesNo ? answer::kNo : answer::kOk;
    }
    int showLongMessage(QWidget *parent, const QString &text, int style) override
    {
        return showMessage(parent, text, style);
    }
    // No form waits on a person either: a modal form opened here would.
    int openForm(const QString &name, QWidget *, const QString &) override
    {
        log::warning(QStringLiteral("formulário %1 não aberto: nenhuma tela visível").arg(name));
        return 0;
    }
};
} // namespace

bool checkConfiguration()
{
    return checkConfiguration(UiService::instance(), screenSeen(), stderr);
}

void installHeadlessUiWhenUnseen()
{
    if (!screenSeen())
        UiService::install(std::make_unique<HeadlessUi>());
}

} // namespace qv

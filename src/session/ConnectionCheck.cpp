#include "session/ConnectionCheck.h"

#include "data/Statements.h"
#include "data/Tables.h"

#include <set>
#include <utility>

namespace qv {

namespace {

const std::vector<const Layout *> &contractTables()
{
    using namespace tables;
    static const std::vector<const Layout *> all{
        &movMesa,       &movMesaItem,      &movMesaItemObs, &movCozinha,      &movVendas,
        &movVendasItem, &movVendasItemObs, &cadProdutos,    &cadCardapioProd, &tabOperador,
        &tabParametros, &tabDesconto,      &tabObservacao,  &tabImpressoras,  &tabMotivoCancelamento,
    };
    return all;
}

ConnectionProblem problemOf(ConnectFailure failure)
{
    switch (failure) {
    case ConnectFailure::None: return ConnectionProblem::None;
    case ConnectFailure::Unreachable: return ConnectionProblem::Unreachable;
    case ConnectFailure::AccessDenied: return ConnectionProblem::AccessDenied;
    case ConnectFailure::UnknownDatabase: return ConnectionProblem::UnknownDatabase;
    case ConnectFailure::TlsRequired: return ConnectionProblem::TlsRequired;
    case ConnectFailure::TlsUnavailable: return ConnectionProblem::TlsUnavailable;
    case ConnectFailure::TlsCertificate: return ConnectionProblem::TlsCertificate;
    case ConnectFailure::Other: return ConnectionProblem::Other;
    }
    return ConnectionProblem::Other;
}

} // namespace

QString connectFailureText(ConnectFailure failure, const QString &where, const QString &database)
{
    switch (failure) {
    case ConnectFailure::None: return QString();
    case ConnectFailure::Unreachable: return QStringLiteral("Servidor %1 não encontrado ou não responde").arg(where);
    case ConnectFailure::AccessDenied:
        return QStringLiteral("Acesso negado pelo banco de dados: usuário ou senha recusados");
    case ConnectFailure::UnknownDatabase:
        return QStringLiteral("O banco de dados %1 não existe no servidor").arg(database);
    case ConnectFailure::TlsRequired:
        return QStringLiteral("O servidor exige conexão criptografada (TLS): marque TLS e informe a autoridade "
                              "certificadora (ssl-ca)");
    case ConnectFailure::TlsUnavailable:
        return QStringLiteral("O servidor não oferece conexão criptografada (TLS), que foi pedida");
    case ConnectFailure::TlsCertificate:
        return QStringLiteral("O certificado do servidor não foi verificado (autoridade ssl-ca errada ou nome do "
                              "servidor diferente do certificado)");
    case ConnectFailure::Other: return QStringLiteral("O servidor recusou a conexão");
    }
    return QString();
}

QStringList missingSchema(Sql &sql, bool &failed)
{
    failed = false;
    static const Layout kColumn("schema column", {FieldDef::C("TABLE_NAME", 64), FieldDef::C("COLUMN_NAME", 64)});
    std::set<std::pair<QString, QString>> present;
    if (!sql.open("SCHEMA", stmt::kSchemaColumns).answered()) {
        failed = true;
        return {};
    }
    Record row(kColumn);
    for (;;) {
        const SqlResult &r = sql.fetch("SCHEMA", row);
        if (r.noRow())
            break;
        if (!r.ok()) {
            failed = true;
            sql.close("SCHEMA");
            return {};
        }
        present.emplace(row.text(0).trimmed(), row.text(1).trimmed());
    }
    sql.close("SCHEMA");

    QStringList missing;
    for (const Layout *layout : contractTables()) {
        const QString table = QString::fromLatin1(layout->table());
        QStringList columns;
        for (int i = 0; i < layout->size(); ++i) {
            const QString column = QString::fromLatin1(layout->field(i).name);
            if (!present.count({table, column}))
                columns << table + QLatin1Char('.') + column;
        }
        if (columns.size() == layout->size())
            missing << table;
        else
            missing << columns;
    }
    return missing;
}

ConnectionReport checkConnection(const Sql::Connection &connection)
{
    Sql sql;
    sql.setConnection(connection);
    ConnectionReport report;
    if (!sql.connectNow()) {
        report.problem = problemOf(sql.result().connectFailure());
        if (report.problem == ConnectionProblem::None)
            report.problem = ConnectionProblem::Other;
        report.text =
            connectFailureText(sql.result().connectFailure() == ConnectFailure::None ? ConnectFailure::Other
                                                                                     : sql.result().connectFailure(),
                               connection.where(), connection.database);
        report.detail = QStringLiteral("%1: %2").arg(sql.state(), sql.message());
        return report;
    }
    bool failed = false;
    const QStringList missing = missingSchema(sql, failed);
    if (failed) {
        report.problem = ConnectionProblem::Other;
        report.text =
            QStringLiteral("Conectou, mas não foi possível ler as tabelas do banco %1").arg(connection.database);
        report.detail = QStringLiteral("%1: %2").arg(sql.state(), sql.message());
        return report;
    }
    const int tableCount = int(contractTables().size());
    int wholeTables = 0;
    for (const QString &m : missing)
        if (!m.contains(QLatin1Char('.')))
            ++wholeTables;
    if (wholeTables == tableCount) {
        report.problem = ConnectionProblem::SchemaMissing;
        report.text =
            QStringLiteral("O banco %1 não tem as tabelas do Quorvel: carregue o esquema").arg(connection.database);
        return report;
    }
    if (!missing.isEmpty()) {
        report.problem = ConnectionProblem::SchemaOlder;
        report.text = QStringLiteral("O esquema do banco %1 é mais antigo que este programa: falta %2")
                          .arg(connection.database, missing.mid(0, 3).join(QStringLiteral(", ")))
                      + (missing.size() > 3 ? QStringLiteral(" e mais %1").arg(missing.size() - 3) : QString());
        return report;
    }
    const QString tls = sql.tlsInUse();
    report.text = tls.isEmpty() ? QStringLiteral("Conexão bem-sucedida (sem criptografia)")
                                : QStringLiteral("Conexão bem-sucedida, criptografada (%1)").arg(tls);
    return report;
}

} // namespace qv

#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <optional>
#include <ostream>
#include <vector>

// A failed comparison of texts prints the texts.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList &texts, std::ostream *out)
{
    *out << '[';
    for (qsizetype i = 0; i < texts.size(); ++i)
        *out << (i ? ", \"" : "\"") << texts[i].toStdString() << '"';
    *out << ']';
}

namespace qv::test {

// A fresh database on the test server (QUORVEL_TEST_SOCKET), holding the
// schema and, when asked, the demo restaurant; the SQL layer is pointed at
// it. Dropped at the end of the scope. Its name is the test program's own
// (process id and a counter), so programs run side by side on one server.
// It is copied from a template database that the first program to need it
// loads from db/schema.sql (and db/demo.sql) and every later one reuses:
// the template's name carries a hash of those files, so an edited schema
// makes a new one.
class TestDatabase
{
public:
    explicit TestDatabase(bool withDemo = false);
    ~TestDatabase();
    const QString &name() const { return m_name; }
    static QString socket();
    // Stops the test server (scripts/db stop) and starts it again: a
    // database going away under the program. Throws when it fails.
    static void stopServer();
    static void startServer();
    // Runs SQL on the tests' own connection, the way the command-line
    // client in batch mode would (setup and checks only).
    static QString client(const QString &database, const QString &sql, bool *ok = nullptr);
    QString run(const QString &sql, bool *ok = nullptr) const { return client(m_name, sql, ok); }
    // One value of a query, as text.
    QString value(const QString &sql) const;

private:
    QString m_name;
};

// A private drive root and configuration for the files of the suite, with
// helpers that write the session files as the other modules would.
class TestFiles
{
public:
    TestFiles();
    ~TestFiles();
    QString root() const { return m_dir.path(); }
    QString path(const QString &windowsPath) const;

    void login(int code, const QString &name);
    // Opens `period` (opened on `date`, DDMMYYYY; today when empty) and the
    // listed desks of it (opened on `deskDate`; the period's date when empty).
    void openPeriod(int period, const std::vector<int> &desks, const QString &date = QString(),
                    const QString &deskDate = QString());
    void closePeriod(int period);
    void closeDesk(int period, int desk);
    void writeRaw(const QString &windowsPath, const QByteArray &bytes);
    // Runs the cash-desk module stand-in in another process, opening desk
    // `desk` of lunch and keeping the record locked for `ms` milliseconds.
    // Returns once the lock is seen (or after two seconds).
    std::unique_ptr<QProcess> holdCashDeskLock(int ms, int desk = 2);

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_xdg;
};

QString todayDDMMYYYY();
// A desk session as the services find it after start-up: shared records
// cleared, the lists and parameters read, today's dinner and desk 1 open.
void startDinnerAtDesk1();

// Sets (or, with nullopt, unsets) an environment variable for the scope.
class EnvScope
{
public:
    EnvScope(const char *name, std::optional<QByteArray> value) : m_name(name)
    {
        if (qEnvironmentVariableIsSet(name))
            m_old = qgetenv(name);
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
    ~EnvScope()
    {
        if (m_old)
            qputenv(m_name, *m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    std::optional<QByteArray> m_old;
};

} // namespace qv::test

// Form test programs get the scripted message service with the rest.
#ifdef QUORVEL_FORM_TESTS
#include "ScriptedUi.h"
#endif

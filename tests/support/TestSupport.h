#pragma once

#include "platform/ui/UiService.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <deque>
#include <functional>
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

// A message the program showed, with its style.
struct Shown
{
    QString text;
    int style;
    bool whole = false; // shown whole (longMessage), not cut at 120 characters
};

// The scripted double of the platform service: records every message,
// console line and program start, and answers questions from a queue
// (No when the queue is empty, so an unexpected question never says Yes).
class ScriptedUi : public UiService
{
public:
    bool startProgram(const QString &program, const QStringList &arguments) override;

    void answer(int reply) { m_answers.push_back(reply); }
    std::vector<Shown> messages;
    QStringList consoleLines;
    QStringList started;
    // Called while a message box would be open (after recording it).
    std::function<void(const QString &)> onMessage;

protected:
    int showMessage(QWidget *parent, const QString &text, int style) override;
    int showLongMessage(QWidget *parent, const QString &text, int style) override;
    void writeConsole(const QString &line) override;

private:
    std::deque<int> m_answers;
};

// Installs a ScriptedUi for the scope and gives access to it.
class ScriptedUiScope
{
public:
    ScriptedUiScope();
    ~ScriptedUiScope();
    ScriptedUi &ui() const { return *m_ui; }

private:
    ScriptedUi *m_ui;
};

// A fresh database on the test server (QUORVEL_TEST_SOCKET), loaded with
// the schema and, when asked, the demo restaurant; the SQL layer is pointed
// at it. Dropped at the end of the scope.
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

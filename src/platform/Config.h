#pragma once

#include <QString>
#include <QStringList>

namespace qv {

// The program's own configuration: one INI file,
// $XDG_CONFIG_HOME/quorvel/quorvel.ini (~/.config/quorvel/quorvel.ini when
// the variable is unset). The program takes no command line; the demo and
// the tests choose their configuration through XDG_CONFIG_HOME.
struct Config
{
    // [database]
    QString dbSocket; // Unix socket; used when set
    QString dbHost = QStringLiteral("localhost");
    int dbPort = 3306;
    QString dbUser = QStringLiteral("root");
    QString dbPassword;
    QString dbName = QStringLiteral("quorvel");
    QStringList dbHosts;      // host:port,... of a cluster; tried in turn
    int dbTimeoutSeconds = 5; // the longest wait on the server
    bool dbPipeline = true;   // batches sent back to back; off for a proxy that cannot take it
    // [paths]
    QString root;                        // where the Windows drives are mapped
    QString drive = QStringLiteral("C"); // the "current drive"
    // [takeaway]
    QString takeAwayProgram; // program started by F12; empty = none
    // [printing]
    QString pdfFolder; // test pages for printers the system lacks

    static QString filePath();
    // Reads the file; missing keys keep the defaults above.
    static Config load();
    void save() const;

    // The configuration in force for this process (loaded on first use).
    static const Config &current();
    // Replaces it (tests, and after the demo wrote a new file).
    static void setCurrent(const Config &config);
};

} // namespace qv

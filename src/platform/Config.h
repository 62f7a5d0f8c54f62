#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace qv {

// The program's own configuration: INI files in the XDG configuration
// folders, read key by key with the user's file over the system's:
// quorvel/quorvel.ini under every folder of $XDG_CONFIG_DIRS (/etc/xdg when
// unset; the first folder wins over the later ones), then
// $XDG_CONFIG_HOME/quorvel/quorvel.ini (~/.config/quorvel/quorvel.ini when
// the variable is unset). One system file readable by the cashiers' group
// can so serve every user of a desk. The program takes no command line; the
// demo and the tests choose their configuration through XDG_CONFIG_HOME.
// The files' syntax is IniFile's.
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
    // TLS, under MariaDB's own option names: ssl, ssl-ca, ssl-capath,
    // ssl-cert, ssl-key, ssl-verify-server-cert. Any file or folder given
    // turns TLS on; the server's certificate is verified when a CA is given,
    // unless ssl-verify-server-cert says otherwise.
    bool dbSsl = false;
    QString dbSslCa;
    QString dbSslCapath;
    QString dbSslCert;
    QString dbSslKey;
    std::optional<bool> dbSslVerify; // unset: verify when a CA is given
    bool dbPipeline = true;          // batches sent back to back; off for a proxy that cannot take it
    // [paths]
    QString root;                        // where the Windows drives are mapped
    QString drive = QStringLiteral("C"); // the "current drive"
    // [takeaway]
    QString takeAwayProgram; // program started by F12; empty = none
    // [printing]
    QString pdfFolder; // test pages for printers the system lacks

    // What was read: the files that exist, least important first, and the
    // one whose `database/password` is in force (empty when none sets it).
    QStringList files;
    QString passwordFile;

    // The user's file: the one the program writes.
    static QString filePath();
    // The system-wide files, most important first.
    static QStringList systemFilePaths();
    // Reads the files; missing keys keep the defaults above.
    static Config load();
    // Writes the [database] keys into the user's file (the other keys and
    // lines of the file stay as they are), readable by its owner only.
    // Returns an empty string, or why it could not.
    QString saveDatabase() const;

    // When the file holding the password can be read by users it should not
    // be, the warning to give (Portuguese, for the box and the log); empty
    // otherwise. A system file may be readable by a group (the cashiers'),
    // the user's own file by nobody else; no file may be readable by all.
    QString passwordExposure() const;
    // Who besides its owner can read a file: 0 nobody, 1 its group, 2 every
    // user (a folder on the way that others cannot enter keeps them out).
    static int readableBeyondOwner(const QString &path);

    // The configuration in force for this process (loaded on first use).
    static const Config &current();
    // Replaces it (tests, and after the demo wrote a new file).
    static void setCurrent(const Config &config);
};

} // namespace qv

#pragma once

#include <QByteArray>
#include <QString>

namespace qv {

// The local files of the suite live at fixed Windows paths. They are mapped
// under one configured root: the drive letter becomes the first folder and
// the backslashes become slashes, so
//   C:\Velmorant\Temp\Variaveis.txt  ->  <root>/C/Velmorant/Temp/Variaveis.txt
//   \Velmorant\TARVINE\...          ->  <root>/<current drive>/Velmorant/TARVINE/...
// The names keep their case.
QString mapWindowsPath(const QString &windowsPath);
QString mapWindowsPath(const QString &windowsPath, const QString &root, const QString &drive);

// Two-character file status codes of the old file runtime, kept because
// messages show them: "00" done, "10" end of file, "35" file not found,
// "37" no permission, "30" other failure, "9D" record locked by another
// process, "23" record not found, "04" record of the wrong length.
namespace filestatus {
inline constexpr const char *kOk = "00";
inline constexpr const char *kEndOfFile = "10";
inline constexpr const char *kNotFound = "35";
inline constexpr const char *kNoPermission = "37";
inline constexpr const char *kFailure = "30";
inline constexpr const char *kLocked = "9D";
inline constexpr const char *kNoRecord = "23";
inline constexpr const char *kBadLength = "04";
} // namespace filestatus

// Line-sequential text files (Latin-1, like the rest of the suite's files).
class TextFile
{
public:
    // Opens for input: "00", "35", "37" or "30".
    static QString openStatus(const QString &windowsPath);
    // Reads the first line (without its line end). "10" for an empty file.
    static QString readFirstLine(const QString &windowsPath, QString &line);
    // Replaces the file's contents with the given line.
    static QString writeOnlyLine(const QString &windowsPath, const QString &line);
};

// A keyed file of fixed-length records whose key is the first character.
// The writer holds a POSIX write lock on the record while it writes it; a
// reader never waits for it and reports it as locked instead.
class KeyedFile
{
public:
    enum class Read {
        Ok,
        OpenFailed,
        Locked,
        Failed
    };
    static Read read(const QString &windowsPath, char key, int recordLength, QByteArray &record);
    // Writes (adds or replaces) the record with the key record[0], holding the
    // lock for `holdMs` more milliseconds once written. Returns a file status.
    static QString write(const QString &windowsPath, const QByteArray &record, int holdMs = 0);
};

} // namespace qv

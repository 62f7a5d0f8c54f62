#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace qv {

// The program's INI files, read line by line as written. QSettings is not
// used: it turns a value holding a comma into a list and reads quotes,
// backslashes and semicolons as syntax, so a generated password such as
// `a,b;"c\d` reached the server mangled.
//
// The rule, the whole of it:
// - `[section]` starts a section; `key=value` sets a key in it. Blanks
//   around the key, around the `=` and at the ends of the line are dropped.
// - A line whose first non-blank character is `#` or `;` is a comment; the
//   same characters anywhere else are part of the value. A line holding a
//   bare name (`ssl`) sets that key to an empty value.
// - The value is everything after the first `=`, taken literally: commas,
//   semicolons, `#`, `=`, backslashes and quotes inside it are characters
//   like any other. The file is UTF-8.
// - A value that begins and ends with a double quote loses those two quotes
//   and nothing else: `" x"` is a blank and an x. Quoting is only needed
//   for a value that starts or ends with a blank, or that itself starts and
//   ends with a quote; any value may be quoted.
class IniFile
{
public:
    // Parses the text of a file (never fails: lines it cannot read are
    // skipped and counted in `skippedLines`).
    static IniFile parse(const QByteArray &text);
    // Reads a file; nullopt when it does not exist or cannot be read.
    static std::optional<IniFile> read(const QString &path);

    // The value of "section/key"; the last line that set it wins.
    std::optional<QString> value(const QString &sectionKey) const;
    // Sets a key, in place when the file has it (keeping every other line,
    // comment and the order), at the end of its section otherwise.
    void set(const QString &sectionKey, const QString &value);
    // The text as it would be written back.
    QByteArray text() const;
    int skippedLines() const { return m_skipped; }

    // How a value is written so that parse() gives it back exactly.
    static QString quoted(const QString &value);

private:
    struct Line
    {
        QString raw;     // as read, for lines kept untouched
        QString section; // the section it belongs to
        QString key;     // empty unless a key line
        QString value;
    };
    std::vector<Line> m_lines;
    int m_skipped = 0;
};

} // namespace qv

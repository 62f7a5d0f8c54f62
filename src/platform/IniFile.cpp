#include "platform/IniFile.h"

#include <QFile>

namespace qv {

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

QString stripBlanks(const QString &text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && isBlank(text[from]))
        ++from;
    while (to > from && isBlank(text[to - 1]))
        --to;
    return text.mid(from, to - from);
}

QString unquoted(const QString &value)
{
    if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
        return value.mid(1, value.size() - 2);
    return value;
}

std::pair<QString, QString> splitKey(const QString &sectionKey)
{
    const qsizetype slash = sectionKey.indexOf(QLatin1Char('/'));
    if (slash < 0)
        return {QString(), sectionKey};
    return {sectionKey.left(slash), sectionKey.mid(slash + 1)};
}

} // namespace

IniFile IniFile::parse(const QByteArray &bytes)
{
    IniFile ini;
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QString section;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString raw = lines[i];
        if (raw.endsWith(QLatin1Char('\r')))
            raw.chop(1);
        // The split leaves an empty piece after a final newline.
        if (i == lines.size() - 1 && raw.isEmpty())
            break;
        Line line{raw, section, QString(), QString()};
        const QString stripped = stripBlanks(raw);
        if (stripped.isEmpty() || stripped.startsWith(QLatin1Char('#')) || stripped.startsWith(QLatin1Char(';'))) {
            // Blank line or comment.
        } else if (stripped.startsWith(QLatin1Char('[')) && stripped.endsWith(QLatin1Char(']'))) {
            section = stripBlanks(stripped.mid(1, stripped.size() - 2));
            line.section = section;
        } else {
            const qsizetype equals = raw.indexOf(QLatin1Char('='));
            // A bare option name (`ssl`), as MariaDB's own files allow, is
            // the key with an empty value.
            const bool bare =
                equals < 0 && !stripped.contains(QLatin1Char(' ')) && !stripped.contains(QLatin1Char('\t'));
            const QString key = bare ? stripped : equals < 0 ? QString() : stripBlanks(raw.left(equals));
            if (key.isEmpty()) {
                ++ini.m_skipped;
            } else {
                line.key = key;
                line.value = bare ? QString() : unquoted(stripBlanks(raw.mid(equals + 1)));
            }
        }
        ini.m_lines.push_back(line);
    }
    return ini;
}

std::optional<IniFile> IniFile::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return parse(file.readAll());
}

std::optional<QString> IniFile::value(const QString &sectionKey) const
{
    const auto [section, key] = splitKey(sectionKey);
    for (auto it = m_lines.rbegin(); it != m_lines.rend(); ++it)
        if (!it->key.isEmpty() && it->section == section && it->key == key)
            return it->value;
    return std::nullopt;
}

QString IniFile::quoted(const QString &value)
{
    const bool needsQuotes =
        !value.isEmpty()
        && (isBlank(value.front()) || isBlank(value.back())
            || (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"'))));
    // A lone quote would read back as itself, but quoting it costs nothing.
    return needsQuotes || value == QLatin1String("\"") ? QLatin1Char('"') + value + QLatin1Char('"') : value;
}

void IniFile::set(const QString &sectionKey, const QString &value)
{
    const auto [section, key] = splitKey(sectionKey);
    const QString raw = key + QLatin1Char('=') + quoted(value);
    for (auto it = m_lines.rbegin(); it != m_lines.rend(); ++it)
        if (!it->key.isEmpty() && it->section == section && it->key == key) {
            it->raw = raw;
            it->value = value;
            return;
        }
    // After the last line of the section (skipping blank lines at its end),
    // or a new section at the end of the file.
    std::optional<std::size_t> last;
    for (std::size_t i = 0; i < m_lines.size(); ++i)
        if (m_lines[i].section == section && (!stripBlanks(m_lines[i].raw).isEmpty()))
            last = i;
    if (!last && !section.isEmpty()) {
        if (!m_lines.empty() && !stripBlanks(m_lines.back().raw).isEmpty())
            m_lines.push_back({QString(), m_lines.back().section, QString(), QString()});
        m_lines.push_back({QLatin1Char('[') + section + QLatin1Char(']'), section, QString(), QString()});
        last = m_lines.size() - 1;
    }
    const std::size_t at = last ? *last + 1 : 0;
    m_lines.insert(m_lines.begin() + std::ptrdiff_t(at), Line{raw, section, key, value});
}

QByteArray IniFile::text() const
{
    QString out;
    for (const Line &line : m_lines)
        out += line.raw + QLatin1Char('\n');
    return out.toUtf8();
}

} // namespace qv

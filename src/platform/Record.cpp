#include "platform/Record.h"

#include <array>
#include <stdexcept>
#include <string>

namespace qv {

namespace {
// The blank value of a text column, shared by every record: a record is
// cleared for every row read, and a fresh string each time adds up.
const QString &blanks(int width)
{
    static const std::array<QString, 256> shared = [] {
        std::array<QString, 256> all;
        for (int n = 0; n < 256; ++n)
            all[std::size_t(n)] = QString(n, QLatin1Char(' '));
        return all;
    }();
    static const QString none;
    return width >= 0 && width < 256 ? shared[std::size_t(width)] : none;
}
} // namespace

Layout::Layout(const char *table, std::initializer_list<FieldDef> fields) : m_table(table), m_fields(fields) {}

int Layout::indexOf(std::string_view name) const
{
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        if (name == m_fields[i].name)
            return int(i);
    }
    return -1;
}

Record::Record(const Layout &layout)
    : m_layout(&layout), m_numbers(std::size_t(layout.size())), m_texts(std::size_t(layout.size()))
{
    clear();
}

void Record::clear()
{
    for (int i = 0; i < size(); ++i) {
        const FieldDef &f = m_layout->field(i);
        m_numbers[std::size_t(i)] = Decimal();
        if (f.kind == FieldDef::Text)
            m_texts[std::size_t(i)] = f.size < 256 ? blanks(f.size) : QString(f.size, QLatin1Char(' '));
        else
            m_texts[std::size_t(i)] = QString();
    }
}

int Record::require(std::string_view name) const
{
    const int index = m_layout->indexOf(name);
    if (index < 0) {
        // A misspelt column name is a programming error, not a data error:
        // fail loudly instead of reading zeros.
        throw std::logic_error(std::string("no column ") + std::string(name) + " in " + m_layout->table());
    }
    return index;
}

Decimal Record::num(int index) const
{
    return m_numbers[std::size_t(index)];
}

Decimal Record::num(std::string_view name) const
{
    return num(require(name));
}

QString Record::text(int index) const
{
    const FieldDef &f = m_layout->field(index);
    if (f.kind == FieldDef::Text)
        return m_texts[std::size_t(index)];
    return m_numbers[std::size_t(index)].toSqlText(f.scale);
}

QString Record::text(std::string_view name) const
{
    return text(require(name));
}

void Record::setNum(int index, Decimal value)
{
    const FieldDef &f = m_layout->field(index);
    if (f.kind == FieldDef::Text) {
        setText(index, value.toSqlText(0));
        return;
    }
    m_numbers[std::size_t(index)] = value.narrowed(f.size, f.scale);
}

void Record::setNum(std::string_view name, Decimal value)
{
    setNum(require(name), value);
}

void Record::setText(int index, const QString &value)
{
    const FieldDef &f = m_layout->field(index);
    if (f.kind == FieldDef::Number) {
        m_numbers[std::size_t(index)] = Decimal::parseOrZero(value).narrowed(f.size, f.scale);
        return;
    }
    // Fixed-width text: cut to the width, blank-padded on the right.
    m_texts[std::size_t(index)] = value.left(f.size).leftJustified(f.size, QLatin1Char(' '));
}

void Record::setText(std::string_view name, const QString &value)
{
    setText(require(name), value);
}

void Record::setBytes(int index, std::string_view utf8, bool null)
{
    const FieldDef &f = m_layout->field(index);
    if (f.kind == FieldDef::Number) {
        // The server sends numbers as plain ASCII digits.
        m_numbers[std::size_t(index)] =
            null ? Decimal() : Decimal::parse(utf8).value_or(Decimal()).narrowed(f.size, f.scale);
        return;
    }
    if (null || utf8.empty()) {
        m_texts[std::size_t(index)] = f.size < 256 ? blanks(f.size) : QString(f.size, QLatin1Char(' '));
        return;
    }
    QString value = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    if (value.size() > f.size)
        value.truncate(f.size);
    else if (value.size() < f.size)
        value.resize(f.size, QLatin1Char(' '));
    m_texts[std::size_t(index)] = std::move(value);
}

} // namespace qv

#include "platform/Record.h"

#include <stdexcept>
#include <string>

namespace qv {

Layout::Layout(const char *table, std::initializer_list<FieldDef> fields)
    : m_table(table), m_fields(fields)
{
}

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
        m_texts[std::size_t(i)] = f.kind == FieldDef::Text ? QString(f.size, QLatin1Char(' ')) : QString();
    }
}

int Record::require(std::string_view name) const
{
    const int index = m_layout->indexOf(name);
    if (index < 0) {
        // A misspelt column name is a programming error, not a data error:
        // fail loudly instead of reading zeros.
        throw std::logic_error(std::string("no column ") + std::string(name) + " in "
                               + m_layout->table());
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

} // namespace qv

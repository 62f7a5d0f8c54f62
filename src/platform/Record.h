#pragma once

#include "platform/Decimal.h"

#include <QString>

#include <initializer_list>
#include <string_view>
#include <vector>

namespace qv {

// One column of a fixed-layout record: N(p) / N(p,s) numbers or C(n) text.
struct FieldDef
{
    enum Kind : char {
        Number = 'N',
        Text = 'C'
    };

    const char *name; // column name; unnamed columns get a descriptive one
    Kind kind;
    int size;      // integer digits for N, characters for C
    int scale = 0; // decimal digits for N

    static constexpr FieldDef N(const char *name, int digits, int scale = 0)
    {
        return FieldDef{name, Number, digits, scale};
    }
    static constexpr FieldDef C(const char *name, int chars) { return FieldDef{name, Text, chars, 0}; }
};

// The column list of a table (or of a projection), in table order. The
// all-column selects and the insertions rely on this order.
class Layout
{
public:
    Layout(const char *table, std::initializer_list<FieldDef> fields);

    const char *table() const { return m_table; }
    int size() const { return int(m_fields.size()); }
    const FieldDef &field(int index) const { return m_fields[std::size_t(index)]; }
    // Zero-based index of a column by name; -1 when absent.
    int indexOf(std::string_view name) const;

private:
    const char *m_table;
    std::vector<FieldDef> m_fields;
};

// The values of one row, typed by its layout: numbers as Decimal, text
// blank-padded to the column width. A fresh record is zeros and blanks, so a
// row that was not found reads as empty.
class Record
{
public:
    // The layout must outlive the record (layouts are static objects).
    explicit Record(const Layout &layout);
    explicit Record(Layout &&) = delete;

    const Layout &layout() const { return *m_layout; }
    int size() const { return m_layout->size(); }

    // Access by zero-based index or by column name (name must exist).
    Decimal num(int index) const;
    Decimal num(std::string_view name) const;
    std::int64_t integer(std::string_view name) const { return num(name).toInt(); }
    QString text(int index) const;
    QString text(std::string_view name) const;

    // Values are narrowed to the column's width on the way in, as a field of
    // that size would hold them.
    void setNum(int index, Decimal value);
    void setNum(std::string_view name, Decimal value);
    void setInt(std::string_view name, std::int64_t value) { setNum(name, Decimal::fromInt(value)); }
    void setText(int index, const QString &value);
    void setText(std::string_view name, const QString &value);
    // A value as the server sends it, UTF-8 bytes (or NULL): the same as
    // setText, without a detour through a QString for numbers.
    void setBytes(int index, std::string_view utf8, bool null);

    void clear(); // zeros and blanks

private:
    int require(std::string_view name) const;

    const Layout *m_layout;
    std::vector<Decimal> m_numbers;
    std::vector<QString> m_texts;
};

} // namespace qv

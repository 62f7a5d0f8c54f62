#include "platform/SharedRecords.h"

#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

namespace qv {

namespace {

std::map<std::string, std::unique_ptr<SharedRecord>> &registry()
{
    static std::map<std::string, std::unique_ptr<SharedRecord>> records;
    return records;
}

struct Definition
{
    const char *name;
    int length;
};

// Every record this program attaches, with its length in bytes.
constexpr Definition kRecords[] = {
    {"W-PABEDAT", 8},       {"W-PABEHOR", 8},      {"W-CABEDAT", 8},     {"W-CABEHOR", 8},
    {"W-NRTURNO", 1},       {"W-NRCAIXA", 1},      {"W-INCREME", 11},    {"W-COMANDA", 6},
    {"W-VARS-SQL", 42},     {"W-TAB-TOTMESA", 7},  {"W-TAB-CODIDES", 2}, {"W-TAB-DESMANU", 7},
    {"W-TAB-TAXASER", 4},   {"W-TAB-SERVICO", 7},  {"W-TAB-REPIQUE", 7}, {"W-TAB-RECEBIM", 350},
    {"W-TAB-FECHAME", 105}, {"W-VERSAO", 10},      {"W-CTRLOTE", 1},     {"L-ACESSOS", 11},
    {"L-CODICLI", 6},       {"L-CODIFOR", 6},      {"L-CODIVEN", 6},     {"L-CODIRED", 6},
    {"L-CODIEMP", 6},       {"L-LINK", 332},       {"L-LINK-EMP", 99},   {"L-FORMULARIOS", 96},
    {"L-DADOS-EMAIL", 596}, {"W-CAMPOS-NFE", 486},
};

int definedLength(const char *name)
{
    for (const Definition &d : kRecords) {
        if (std::strcmp(d.name, name) == 0)
            return d.length;
    }
    return -1;
}

} // namespace

SharedRecord::SharedRecord(const char *name, int length) : m_name(name), m_bytes(length, ' ')
{
    // Digit-only records start as zeros so that they read as 0, not blank.
    if (std::strcmp(name, "W-NRTURNO") == 0 || std::strcmp(name, "W-NRCAIXA") == 0
        || std::strcmp(name, "W-INCREME") == 0)
        m_bytes.fill('0');
}

SharedRecord &SharedRecord::attach(const char *name, int length)
{
    auto &records = registry();
    auto it = records.find(name);
    if (it == records.end()) {
        it = records.emplace(name, std::unique_ptr<SharedRecord>(new SharedRecord(name, length))).first;
    } else if (it->second->length() != length) {
        throw std::logic_error(std::string("shared record ") + name + " attached with another length");
    }
    return *it->second;
}

void SharedRecord::attachAll()
{
    for (const Definition &d : kRecords)
        attach(d.name, d.length);
}

void SharedRecord::resetAll()
{
    for (auto &[name, record] : registry()) {
        SharedRecord fresh(record->m_name, record->length());
        record->m_bytes = fresh.m_bytes;
    }
}

void SharedRecord::checkRange(int from, int count) const
{
    if (from < 1 || count < 0 || from - 1 + count > length())
        throw std::out_of_range(std::string("position outside shared record ") + m_name);
}

QString SharedRecord::text(int from, int count) const
{
    checkRange(from, count);
    return QString::fromLatin1(m_bytes.constData() + from - 1, count);
}

void SharedRecord::setText(int from, int count, const QString &value)
{
    checkRange(from, count);
    const QByteArray bytes = value.toLatin1();
    for (int i = 0; i < count; ++i)
        m_bytes[from - 1 + i] = i < bytes.size() ? bytes[i] : ' ';
}

std::uint64_t SharedRecord::digits(int from, int count) const
{
    checkRange(from, count);
    std::uint64_t value = 0;
    for (int i = 0; i < count; ++i) {
        const char c = m_bytes[from - 1 + i];
        value = value * 10 + ((c >= '0' && c <= '9') ? std::uint64_t(c - '0') : 0);
    }
    return value;
}

void SharedRecord::setDigits(int from, int count, std::uint64_t value)
{
    checkRange(from, count);
    for (int i = count - 1; i >= 0; --i) {
        m_bytes[from - 1 + i] = char('0' + value % 10);
        value /= 10;
    }
}

namespace records {
#define QV_RECORD(fn, name)                                                                                            \
    SharedRecord &fn()                                                                                                 \
    {                                                                                                                  \
        static SharedRecord &r = SharedRecord::attach(name, definedLength(name));                                      \
        return r;                                                                                                      \
    }
QV_RECORD(W_PABEDAT, "W-PABEDAT")
QV_RECORD(W_PABEHOR, "W-PABEHOR")
QV_RECORD(W_CABEDAT, "W-CABEDAT")
QV_RECORD(W_CABEHOR, "W-CABEHOR")
QV_RECORD(W_NRTURNO, "W-NRTURNO")
QV_RECORD(W_NRCAIXA, "W-NRCAIXA")
QV_RECORD(W_INCREME, "W-INCREME")
QV_RECORD(W_COMANDA, "W-COMANDA")
QV_RECORD(W_VARS_SQL, "W-VARS-SQL")
QV_RECORD(W_TAB_TOTMESA, "W-TAB-TOTMESA")
QV_RECORD(W_TAB_TAXASER, "W-TAB-TAXASER")
QV_RECORD(W_TAB_SERVICO, "W-TAB-SERVICO")
QV_RECORD(W_TAB_REPIQUE, "W-TAB-REPIQUE")
QV_RECORD(W_TAB_RECEBIM, "W-TAB-RECEBIM")
QV_RECORD(L_LINK, "L-LINK")
#undef QV_RECORD
} // namespace records

} // namespace qv

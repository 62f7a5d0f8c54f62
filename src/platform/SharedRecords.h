#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace qv {

// A named shared record: fixed-length bytes that every module of the
// process attaches by name, so a dialog or sibling module called later sees
// what the caller wrote. Characters are single bytes (Latin-1), so byte
// positions and character positions are the same thing.
class SharedRecord
{
public:
    // The record of that name; created blank on first use with `length`
    // bytes. Every later attach must name the same length.
    static SharedRecord &attach(const char *name, int length);
    // Attaches the thirty records this program uses, with their lengths.
    static void attachAll();
    // Blanks every attached record (tests start from a clean process state).
    static void resetAll();

    const char *name() const { return m_name; }
    int length() const { return int(m_bytes.size()); }
    const QByteArray &bytes() const { return m_bytes; }

    // 1-based positions, as the record layouts are written.
    QString text(int from, int count) const;
    QString text() const { return text(1, length()); }
    // Writes `value` cut or blank-padded to `count` characters.
    void setText(int from, int count, const QString &value);
    void setText(const QString &value) { setText(1, length(), value); }
    // Unsigned zoned digits; anything but digits reads as 0.
    std::uint64_t digits(int from, int count) const;
    std::uint64_t digits() const { return digits(1, length()); }
    // Writes the low-order `count` digits of `value`, zero-filled.
    void setDigits(int from, int count, std::uint64_t value);
    void setDigits(std::uint64_t value) { setDigits(1, length(), value); }
    char at(int position) const { return m_bytes.at(position - 1); }
    void setAt(int position, char c) { m_bytes[position - 1] = c; }
    void blank() { m_bytes.fill(' '); }

private:
    SharedRecord(const char *name, int length);
    void checkRange(int from, int count) const;

    const char *m_name;
    QByteArray m_bytes;
};

// The records of this program by their names.
namespace records {
SharedRecord &W_PABEDAT();
SharedRecord &W_PABEHOR();
SharedRecord &W_CABEDAT();
SharedRecord &W_CABEHOR();
SharedRecord &W_NRTURNO();
SharedRecord &W_NRCAIXA();
SharedRecord &W_INCREME();
SharedRecord &W_COMANDA();
SharedRecord &W_VARS_SQL();
SharedRecord &W_TAB_TOTMESA();
SharedRecord &W_TAB_TAXASER();
SharedRecord &W_TAB_SERVICO();
SharedRecord &W_TAB_REPIQUE();
SharedRecord &W_TAB_RECEBIM();
SharedRecord &L_LINK();
} // namespace records

} // namespace qv

#include "session/CashDesk.h"

namespace qv {

CashDeskRecord::CashDeskRecord() : m_bytes(kLength, ' ')
{
    m_bytes[0] = '1';
}

std::optional<CashDeskRecord> CashDeskRecord::fromBytes(const QByteArray &bytes)
{
    if (bytes.size() != kLength || bytes.at(0) != '1')
        return std::nullopt;
    CashDeskRecord r;
    r.m_bytes = bytes;
    return r;
}

int CashDeskRecord::offset(int period, int entry)
{
    if (period < 1 || period > 2 || entry < 0 || entry > 5)
        return -1;
    // Byte 2 + (p - 1) × 222 + 37 × e, 1-based.
    return 1 + (period - 1) * kGroupLength + kEntryLength * entry;
}

CashDeskRecord::Entry CashDeskRecord::entry(int period, int entry) const
{
    Entry e;
    const int at = offset(period, entry);
    if (at < 0)
        return e;
    e.status = m_bytes.at(at);
    e.openDate = QString::fromLatin1(m_bytes.mid(at + 21, 8));
    e.openTime = QString::fromLatin1(m_bytes.mid(at + 29, 8));
    return e;
}

void CashDeskRecord::setEntry(int period, int entry, char status, const QString &date, const QString &time)
{
    const int at = offset(period, entry);
    if (at < 0)
        return;
    m_bytes[at] = status;
    m_bytes.replace(at + 21, 8, date.toLatin1().leftJustified(8, ' ', true));
    m_bytes.replace(at + 29, 8, time.toLatin1().leftJustified(8, ' ', true));
}

} // namespace qv

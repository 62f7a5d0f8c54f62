#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace qv {

// The cash-desk control record written by the suite's cash-desk module:
// one 445-byte record, key "1", then a 222-byte group per period (1 lunch,
// 2 dinner). A group is six 37-byte entries: entry 0 the period itself,
// entries 1..5 the cash desks of that period.
class CashDeskRecord
{
public:
    static constexpr int kLength = 445;
    static constexpr int kEntryLength = 37;
    static constexpr int kGroupLength = 222;

    struct Entry
    {
        char status = ' '; // 'A' = open
        QString openDate;  // DDMMYYYY
        QString openTime;  // 8 characters
        bool isOpen() const { return status == 'A'; }
    };

    // A record with every period and desk closed.
    CashDeskRecord();
    // From the bytes read from the file; nullopt when the length is wrong.
    static std::optional<CashDeskRecord> fromBytes(const QByteArray &bytes);
    const QByteArray &bytes() const { return m_bytes; }

    // period 1..2, entry 0..5. Anything else reads as a closed entry, so a
    // session without a period (digit 0) is simply closed.
    Entry entry(int period, int entry) const;
    void setEntry(int period, int entry, char status, const QString &date, const QString &time);

private:
    static int offset(int period, int entry); // 0-based; -1 when out of range
    QByteArray m_bytes;
};

} // namespace qv

// Stand-in for the suite's cash-desk module and log-in menu: opens and
// closes periods and cash desks in the cash-desk control file, and writes
// the shared-variables file for a logged-in operator. Paths come from the
// same configuration file as the program's.
#include "platform/Files.h"
#include "session/CashDesk.h"
#include "session/Paths.h"

#include <QCoreApplication>
#include <QDate>
#include <QTime>

#include <cstdio>

using namespace qv;

namespace {

int usage()
{
    std::fputs("usage:\n"
               "  quorvel-session period open|close P [--date DDMMYYYY] [--time HH:MM:SS] [--hold MS]\n"
               "  quorvel-session desk open|close P N [--date DDMMYYYY] [--time HH:MM:SS] [--hold MS]\n"
               "  quorvel-session login CODE NAME\n"
               "  quorvel-session show\n"
               "P is the period (1 lunch, 2 dinner), N the cash desk (1..5). --hold keeps the\n"
               "record locked for MS milliseconds after writing it.\n",
               stderr);
    return 2;
}

// What a file status means to the person who must mend it: the folder
// under paths/root is missing and cannot be made, or is not writable.
QString statusMeaning(const QString &status)
{
    if (status == QLatin1String(filestatus::kNotFound))
        return QStringLiteral("the file or its folder does not exist and cannot be made: is paths/root right, and "
                              "writable by this user?");
    if (status == QLatin1String(filestatus::kNoPermission))
        return QStringLiteral("permission denied: paths/root must be writable by this user");
    if (status == QLatin1String(filestatus::kLocked))
        return QStringLiteral("the record is locked by another program");
    return QStringLiteral("the file cannot be written");
}

CashDeskRecord current()
{
    QByteArray bytes;
    if (KeyedFile::read(QString::fromLatin1(paths::kCaixaCt), '1', CashDeskRecord::kLength, bytes)
        == KeyedFile::Read::Ok) {
        if (auto r = CashDeskRecord::fromBytes(bytes))
            return *r;
    }
    return CashDeskRecord();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString date = QDate::currentDate().toString(QStringLiteral("ddMMyyyy"));
    QString time = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
    int hold = 0;
    for (int i = 0; i < args.size();) {
        const QString a = args[i];
        if ((a == QLatin1String("--date") || a == QLatin1String("--time") || a == QLatin1String("--hold"))
            && i + 1 < args.size()) {
            const QString v = args[i + 1];
            if (a == QLatin1String("--date"))
                date = v;
            else if (a == QLatin1String("--time"))
                time = v;
            else
                hold = v.toInt();
            args.remove(i, 2);
        } else {
            ++i;
        }
    }
    if (args.isEmpty())
        return usage();

    const QString command = args[0];
    if (command == QLatin1String("show")) {
        const CashDeskRecord r = current();
        for (int p = 1; p <= 2; ++p) {
            for (int e = 0; e <= 5; ++e) {
                const auto entry = r.entry(p, e);
                std::printf("period %d %s%-2s %c %s %s\n", p, e == 0 ? "     " : "desk ",
                            e == 0 ? "" : qPrintable(QString::number(e)), entry.status == ' ' ? '-' : entry.status,
                            qPrintable(entry.openDate), qPrintable(entry.openTime));
            }
        }
        return 0;
    }
    if (command == QLatin1String("login")) {
        if (args.size() < 3)
            return usage();
        const int code = args[1].toInt();
        const QString name = args.mid(2).join(QLatin1Char(' '));
        const QString line = name.leftJustified(20, QLatin1Char(' '), true)
                             + QStringLiteral("%1").arg(code, 2, 10, QLatin1Char('0')) + QString(20, QLatin1Char(' '));
        const QString status = TextFile::writeOnlyLine(QString::fromLatin1(paths::kVariaveis), line);
        if (status != QLatin1String("00")) {
            std::fprintf(stderr, "cannot write the shared-variables file %s (status %s: %s)\n",
                         qPrintable(mapWindowsPath(QString::fromLatin1(paths::kVariaveis))), qPrintable(status),
                         qPrintable(statusMeaning(status)));
            return 1;
        }
        return 0;
    }
    if (command == QLatin1String("period") || command == QLatin1String("desk")) {
        const bool isDesk = command == QLatin1String("desk");
        if (args.size() < (isDesk ? 4 : 3))
            return usage();
        const bool open = args[1] == QLatin1String("open");
        if (!open && args[1] != QLatin1String("close"))
            return usage();
        const int period = args[2].toInt();
        const int entry = isDesk ? args[3].toInt() : 0;
        if (period < 1 || period > 2 || entry < 0 || entry > 5 || (isDesk && entry == 0))
            return usage();
        CashDeskRecord r = current();
        r.setEntry(period, entry, open ? 'A' : 'F', date, time);
        const QString status = KeyedFile::write(QString::fromLatin1(paths::kCaixaCt), r.bytes(), hold);
        if (status != QLatin1String("00")) {
            std::fprintf(stderr, "cannot write the cash-desk control file %s (status %s: %s)\n",
                         qPrintable(mapWindowsPath(QString::fromLatin1(paths::kCaixaCt))), qPrintable(status),
                         qPrintable(statusMeaning(status)));
            return 1;
        }
        return 0;
    }
    return usage();
}

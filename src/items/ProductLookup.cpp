#include "items/ProductLookup.h"

namespace qv::lookup {

namespace {
constexpr int kCodeChars = 6;
constexpr int kPatternWidth = 17;
constexpr int kDescriptionWidth = 20;
constexpr int kEntryGap = 7;

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The typed text as the fixed-width field holds it.
QString padded(const QString &typed, int width)
{
    return typed.left(kConsidered).leftJustified(width, QLatin1Char(' '));
}
} // namespace

bool isProductCode(const QString &typed)
{
    const QString text = padded(typed, kTypedWidth);
    for (int i = 0; i < kTypedWidth; ++i) {
        const QChar c = text.at(i);
        if (!isAsciiDigit(c) && c != QLatin1Char(' '))
            return false;
    }
    return true;
}

int productCode(const QString &typed)
{
    int code = 0;
    const QString head = typed.left(kCodeChars);
    for (QChar c : head) {
        if (isAsciiDigit(c))
            code = code * 10 + (c.unicode() - '0');
    }
    return code;
}

QString likePattern(const QString &typed)
{
    // Whatever follows a double blank is not part of the search: the field
    // is blank-padded, so the end of the text is a double blank too.
    QString text = padded(typed, kTypedWidth + 2);
    const int cut = text.indexOf(QStringLiteral("  "));
    if (cut >= 0)
        text.truncate(cut);
    QString pattern = (QLatin1Char('%') + text).left(kPatternWidth).leftJustified(kPatternWidth, QLatin1Char(' '));
    for (int i = kPatternWidth - 1; i >= 0 && pattern.at(i) == QLatin1Char(' '); --i)
        pattern[i] = QLatin1Char('%');
    return pattern;
}

QString observationEntry(const QString &description, int idObs)
{
    return description.left(kDescriptionWidth).leftJustified(kDescriptionWidth, QLatin1Char(' '))
           + QString(kEntryGap, QLatin1Char(' ')) + QStringLiteral("%1").arg(idObs % 1000, 3, 10, QLatin1Char('0'));
}

QString emptyObservationEntry()
{
    return QString(kDescriptionWidth + kEntryGap, QLatin1Char(' ')) + QStringLiteral("000");
}

int observationCode(const QString &entry)
{
    const QString digits = entry.mid(kDescriptionWidth + kEntryGap, 3);
    int code = 0;
    for (QChar c : digits) {
        if (!isAsciiDigit(c))
            return 0;
        code = code * 10 + (c.unicode() - '0');
    }
    return code;
}

char observationKind(const QString &caption)
{
    if (caption == QLatin1String("Com"))
        return 'C';
    if (caption == QLatin1String("Sem"))
        return 'S';
    if (caption == QStringLiteral("Observações"))
        return 'O';
    return 0;
}

QString observationRowText(char kind, const QString &description)
{
    const QString text = description.left(kDescriptionWidth).leftJustified(kDescriptionWidth, QLatin1Char(' '));
    switch (kind) {
    case 'C': return QStringLiteral("  -> Com ") + text;
    case 'S': return QStringLiteral("  -> Sem ") + text;
    default: return QStringLiteral("  -> ") + text;
    }
}

} // namespace qv::lookup

#pragma once

#include <QString>

namespace qv::lookup {

// The rules that turn what the cashier typed into Ed_CODIPROD into a product
// code or a description pattern, and the texts of the observation chooser.
// Kept free of widgets and of the database so they can be checked alone.

// Width of Ed_CODIPROD as the rules see it: shorter texts count as padded
// with blanks, so "PIZZA" is followed by blanks, never by nothing.
inline constexpr int kTypedWidth = 15;
// How much of the typed text the lookup considers at all.
inline constexpr int kConsidered = 120;

// A text is a product code when each of its first 15 characters is a digit
// or a blank; the first other character makes it a description. A blank text
// is neither: callers stop before asking.
bool isProductCode(const QString &typed);

// The code of a code text: the digits among its first 6 characters, in
// order, right-aligned and zero-filled ("123" -> 123, "12 34" -> 1234,
// "1234567" -> 123456).
int productCode(const QString &typed);

// The 17-character LIKE value of a description search: "%", the typed text
// up to its first double blank (at most 16 characters), and every trailing
// blank of the 17 turned into "%". The case is kept as typed.
QString likePattern(const QString &typed);

// The entry of Cb_OBSERVA for an observation: its 20-character text, 7
// blanks and the last 3 digits of its code (30 characters).
QString observationEntry(const QString &description, int idObs);
// The entry that stands for "no observation".
QString emptyObservationEntry();
// The code an entry names: its characters 28-30; 0 when there is none.
int observationCode(const QString &entry);

// Kind letter of an observation from the caption of Frm_Observacoes:
// "Com" 'C', "Sem" 'S', "Observações" 'O'; 0 for anything else.
char observationKind(const QString &caption);
// Text of an observation row of the item: "  -> Com " + text for 'C',
// "  -> Sem " + text for 'S', "  -> " + text for 'O'. The text is taken as
// its 20-character column.
QString observationRowText(char kind, const QString &description);

} // namespace qv::lookup

#pragma once

#include <QString>

namespace qv::log {

// The support log: what a technician reads when something went wrong at a
// desk. Every line goes to the file and to standard error (so the desktop
// session's journal has it too), stamped with the date and time. It holds
// the program's version, every message box with its kind, every database
// failure with its SQLSTATE and the server's text, lost connections,
// failovers and returns, the desk and the operator. Never a password: the
// one in force is registered with `hide` and any line that would contain it
// has it masked.
//
// Nothing is written until `open` (the program opens it at start; tests
// that read it open their own).

// $XDG_STATE_HOME/quorvel/quorvel.log (~/.local/state/quorvel/quorvel.log).
QString defaultPath();

// Opens the log at `path`, creating its folder. The file is kept under
// `maxBytes`: when a line would pass it, the file becomes `path.1` (the
// older ones `path.2` ... `path.<keep>`, the oldest dropped). Returns false
// when the file cannot be written; standard error still gets every line.
bool open(const QString &path, qint64 maxBytes = 1024 * 1024, int keep = 3);
// Stops writing (file and standard error).
void close();
// The file in use; empty when none.
QString path();

// Never written: every occurrence in a line is masked.
void hide(const QString &secret);

void info(const QString &text);
void warning(const QString &text);
void error(const QString &text);

} // namespace qv::log

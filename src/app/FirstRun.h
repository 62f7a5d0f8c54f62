#pragma once

#include <QString>

#include <cstdio>

namespace qv {

struct Config;
class UiService;

// The first start after installing from the package: the program reads its
// database and drives from an INI file nobody has written yet, and without
// it the first statement fails with a message that tells a technician
// nothing. So before the main form starts we check the file is there and,
// when it is not, say which file to write and what goes in it.

// The instructions: where the file goes, its sections and keys with what
// they mean and the value used when a key is left out (`defaults`), and
// where the schema and demo data were installed (`dataFolder`, left out
// when empty).
QString missingConfigurationText(const QString &iniPath, const Config &defaults, const QString &dataFolder);

// True when a configuration file exists (the user's or a system-wide one).
bool configurationExists();
// A screen someone sees (not the offscreen or minimal platform).
bool screenSeen();

// True when the configuration file exists. Otherwise writes the
// instructions to `err` and, when `showBox`, shows them in a stop box
// through `ui`; the program must then stop.
bool checkConfiguration(UiService &ui, bool showBox, std::FILE *err);

// The same for the real program: stderr first, so a technician at a
// terminal reads it even while the box waits, then the box unless the Qt
// platform has no screen anyone sees (offscreen, minimal), where waiting
// for a click would only hang a headless run.
bool checkConfiguration();

// On a Qt platform nobody sees (offscreen, minimal) a message box would wait
// for a click forever: every box is then only written to the log and
// standard error, answered OK (or No to a question), so a headless start
// that fails ends with its status instead of hanging.
void installHeadlessUiWhenUnseen();

} // namespace qv

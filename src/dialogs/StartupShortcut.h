#pragma once

#include <QByteArray>
#include <QString>

// Starting the program with the desktop session: an XDG autostart entry,
// $XDG_CONFIG_HOME/autostart/<name up to its first dot>.desktop (~/.config/autostart without
// XDG_CONFIG_HOME). The entry starts the running executable by its absolute path, in the data
// folder: a program installed anywhere starts from the session whatever folder it ran in when
// the entry was made. Without XDG_CONFIG_HOME and HOME there is nowhere to put it: the path is
// empty, nothing is created and nothing found.

// The executable's file name, which the entry is named after. Linux executables carry no
// extension, so nothing is cut: "Zelmorin.new" must start "Zelmorin.new".
QString StartupApplicationName();
// The running executable's absolute path, which the entry starts.
QString StartupProgramPath();
// The folder the entry starts the program in: the data folder of the log.
QString StartupWorkingFolder();

QString GetStartupShortcutPath(const QString& appName = StartupApplicationName());

// Writes the entry atomically, replacing any older one whole. False when it could not be
// written; the program does not tell the user, the next start simply finds no entry.
bool CreateStartupShortcut(const QString& appName = StartupApplicationName(),
                           const QString& program = StartupProgramPath(),
                           const QString& workingFolder = StartupWorkingFolder());

// Deletes the entry; one that is not there is not an error. False only when an entry is left
// behind.
bool RemoveStartupShortcut(const QString& appName = StartupApplicationName());

// True when the entry exists and starts `program`. An entry that starts another file (an older
// copy elsewhere, a folder the program was once started from) or that the desktop was told to
// skip does not count: ticking the box then writes it anew.
bool StartupShortcutExists(const QString& appName = StartupApplicationName(),
                           const QString& program = StartupProgramPath());

// The entry's text.
QString StartupShortcutEntry(const QString& appName, const QString& program, const QString& workingFolder);

// The program an entry starts: the first word of its Exec line, unquoted and unescaped. Empty
// when it starts nothing (no Exec, or Hidden=true, or disabled for GNOME).
QString StartupShortcutProgram(const QByteArray& entry);

#pragma once

#include <QDir>
#include <QString>

// Starting the program with the desktop session: an XDG autostart entry,
// $XDG_CONFIG_HOME/autostart/<name up to its first dot>.desktop (~/.config/autostart without
// XDG_CONFIG_HOME). The entry starts <current directory>/<application name> in the current
// directory, the one the process runs in when the entry is made, wherever the executable lies.
// Without XDG_CONFIG_HOME and HOME there is nowhere to put it: the path is empty, nothing is
// created and nothing found.

// The executable's file name, which the entry starts and is named after. Linux executables
// carry no extension, so nothing is cut: "Zelmorin.new" must start "Zelmorin.new".
QString StartupApplicationName();

QString GetStartupShortcutPath(const QString& appName = StartupApplicationName());

// Writes the entry, replacing any older one whole. False when it could not be written; the
// program does not tell the user, the next start simply finds no entry.
bool CreateStartupShortcut(const QString& appName = StartupApplicationName(),
                           const QString& currentDir = QDir::currentPath());

// Deletes the entry; one that is not there is not an error. False only when an entry is left
// behind.
bool RemoveStartupShortcut(const QString& appName = StartupApplicationName());

bool StartupShortcutExists(const QString& appName = StartupApplicationName());

// The entry's text.
QString StartupShortcutEntry(const QString& appName, const QString& currentDir);

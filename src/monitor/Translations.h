#pragma once

#include <QString>

class QCoreApplication;

// The folder of the program's own .qm files: <exe dir>/../share/zelmorin/translations, found
// relative to the program like the help; empty when it is missing.
QString FindTranslations();

// Installs Qt's own translation (standard buttons, file dialogs) and the program's, both for the
// desktop's language. English needs neither; a language without a translation stays English.
// Returns true when the program's own translation was loaded.
bool LoadTranslations(QCoreApplication& app, const QString& folder = FindTranslations());

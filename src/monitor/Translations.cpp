#include "Translations.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

QString FindTranslations()
{
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/../share/zelmorin/translations");
    return QFileInfo(path).isDir() ? QFileInfo(path).canonicalFilePath() : QString();
}

bool LoadTranslations(QCoreApplication& app, const QString& folder)
{
    const QLocale locale;
    // A missing Qt translation (the package qt6-translations-l10n not installed) only leaves
    // the standard buttons in English: nothing to tell the user.
    auto* qt = new QTranslator(&app);
    if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    else
        delete qt;
    auto* own = new QTranslator(&app);
    if (!folder.isEmpty() && own->load(locale, QStringLiteral("zelmorin"), QStringLiteral("_"), folder)) {
        QCoreApplication::installTranslator(own);
        return true;
    }
    delete own;
    return false;
}

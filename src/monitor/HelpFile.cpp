#include "HelpFile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QUrl>

#include "DesktopServices.h"

QString FindHelpContents()
{
    // Only relative to the program: a folder compiled in would name the machine it was built on.
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/../share/zelmorin/help/index.html");
    return QFileInfo::exists(path) ? QFileInfo(path).canonicalFilePath() : QString();
}

bool OpenHelpContents()
{
    QString path = FindHelpContents();
    return !path.isEmpty() && CDesktopServices::OpenUrl(QUrl::fromLocalFile(path));
}

#include "HelpFile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QUrl>

#include "DesktopServices.h"

QString FindHelpContents()
{
    const QString candidates[] = {
        QCoreApplication::applicationDirPath() + QStringLiteral("/../share/zelmorin/help/index.html"),
        QStringLiteral(ZELMORIN_SOURCE_DIR "/src/resources/help/index.html"),
    };
    for (const QString& path : candidates)
        if (QFileInfo::exists(path))
            return QFileInfo(path).canonicalFilePath();
    return QString();
}

bool OpenHelpContents()
{
    QString path = FindHelpContents();
    return !path.isEmpty() && CDesktopServices::OpenUrl(QUrl::fromLocalFile(path));
}

#include "DesktopServices.h"

#include <QDesktopServices>
#include <QUrl>

namespace {
CDesktopServices::Opener& ActiveOpener()
{
    static CDesktopServices::Opener opener;
    return opener;
}
} // namespace

void CDesktopServices::SetOpener(Opener opener)
{
    ActiveOpener() = std::move(opener);
}

bool CDesktopServices::OpenUrl(const QUrl& url)
{
    if (ActiveOpener())
        return ActiveOpener()(url);
    return QDesktopServices::openUrl(url);
}

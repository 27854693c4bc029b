#pragma once

#include <functional>

class QUrl;

// Opens a document or address with the desktop's default handler. Tests replace the opener.
class CDesktopServices
{
public:
    using Opener = std::function<bool(const QUrl&)>;
    static bool OpenUrl(const QUrl& url);
    static void SetOpener(Opener opener); // nullptr: the desktop's own
};

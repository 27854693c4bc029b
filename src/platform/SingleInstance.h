#pragma once

#include <QLockFile>
#include <memory>
#include <string>
#include <vector>

// Tells whether another copy of the program runs in this session. On X11 it looks, as the
// program always has, for a top-level window whose title begins with " Zelmorin "; where other
// programs' windows cannot be listed (Wayland, no display) a per-user lock file stands in.
class CSingleInstance
{
public:
    CSingleInstance();
    ~CSingleInstance();

    bool IsAnotherInstanceRunning();

    // True when the first 10 characters of a window title are " Zelmorin ".
    static bool IsOurTitle(const std::string& title);
    // The titles of the top-level windows of the X11 display; false when the display cannot be
    // listed.
    static bool ListX11Titles(std::vector<std::string>& titles);

private:
    std::unique_ptr<QLockFile> m_pLock;
};

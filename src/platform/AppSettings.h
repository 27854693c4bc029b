#pragma once

#include <memory>
#include <string>

#include "SettingsStore.h"

class QSettings;

// The per-user settings store: QSettings("Quillmoor", "Zelmorin") in user scope
// (~/.config/Quillmoor/Zelmorin.conf). Section "" holds the main window's values, "History"
// the History window's. The file holds the password, so it is made readable by its owner only
// as soon as the store opens, and created that way before the first write. A value that is missing or cannot be read
// gives the default; writes that fail keep the old content (the store reports nothing, and the program carries on).
class CAppSettings : public CSettingsStore
{
public:
    CAppSettings();
    ~CAppSettings();
    CAppSettings(const CAppSettings&) = delete;
    CAppSettings& operator=(const CAppSettings&) = delete;

    int GetInt(const std::string& section, const std::string& key, int defaultValue) const override;
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& defaultValue) const override;
    void WriteInt(const std::string& section, const std::string& key, int value) override;
    void WriteString(const std::string& section, const std::string& key, const std::string& value) override;
    // Writes what is pending to the file now.
    void Sync();

    // The machine-wide data directory: key "Path" of group "App Paths" in the system-scope
    // settings (/etc/xdg/Quillmoor/Zelmorin.conf). Empty when not set.
    static std::string GetAppPath();
    // The folder of the log and the checkpoint: the App Paths value when set, else the user's
    // data folder (~/.local/share/Quillmoor/Zelmorin). Never the current directory: a program
    // started from the menu and from a terminal must write one history, not two.
    static std::string GetDataFolder();
    // GetDataFolder with a trailing "/", ready for file names. The user's data folder is created
    // here, on first use; the App Paths folder is the administrator's to provide.
    static std::string GetDataPrefix();

private:
    void BeforeWrite();

    std::unique_ptr<QSettings> m_pSettings;
    bool m_bWritten = false;
};

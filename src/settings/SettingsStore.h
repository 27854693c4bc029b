#pragma once

#include <string>

// Where per-user settings live: named integer and text values in sections ("" is the top
// level). A value that is missing or unreadable gives the default; a write that fails keeps
// the old content. Both are silent: settings must never stop the program.
class CSettingsStore
{
public:
    virtual ~CSettingsStore() = default;
    virtual int GetInt(const std::string& section, const std::string& key, int defaultValue) const = 0;
    virtual std::string GetString(const std::string& section, const std::string& key,
                                  const std::string& defaultValue) const = 0;
    virtual void WriteInt(const std::string& section, const std::string& key, int value) = 0;
    virtual void WriteString(const std::string& section, const std::string& key, const std::string& value) = 0;
};

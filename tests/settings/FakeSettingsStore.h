#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "SettingsStore.h"

// Settings in memory, with the order in which they were read and written.
class CFakeStore : public CSettingsStore
{
public:
    int GetInt(const std::string& section, const std::string& key, int defaultValue) const override
    {
        m_reads.push_back(key);
        auto found = m_values.find({section, key});
        return found == m_values.end() ? defaultValue : std::stoi(found->second);
    }
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& defaultValue) const override
    {
        m_reads.push_back(key);
        auto found = m_values.find({section, key});
        return found == m_values.end() ? defaultValue : found->second;
    }
    void WriteInt(const std::string& section, const std::string& key, int value) override
    {
        m_writes.push_back(key);
        m_values[{section, key}] = std::to_string(value);
    }
    void WriteString(const std::string& section, const std::string& key, const std::string& value) override
    {
        m_writes.push_back(key);
        m_values[{section, key}] = value;
    }

    std::map<std::pair<std::string, std::string>, std::string> m_values;
    mutable std::vector<std::string> m_reads;
    std::vector<std::string> m_writes;
};

#pragma once

#include <functional>
#include <string>

class CSettingsStore;

// The main window's settings, kept in memory while the program runs and written back when it
// ends. Values out of their range load as their defaults.
class CMonitorSettings
{
public:
    static constexpr int kNoPosition = 0x7FFFFFFF;
    static constexpr int kDefaultFlags = 6;

    // Reads every value in its fixed order. The two date formats go to the process-wide
    // settings, their current values being the defaults. autoStartExists is asked between
    // "ConnectionDateFormat" and "Flags".
    void LoadSettings(const CSettingsStore& store, const std::function<bool()>& autoStartExists);
    // Writes every value; posX and posY are the window's current top-left corner.
    void SaveSettings(CSettingsStore& store, int posX, int posY) const;

    // The first day of the week and of the month as stored ("WeekStart", "MonthStart"), for
    // windows that count periods without the main window's settings at hand.
    static void LoadPeriodStarts(const CSettingsStore& store, int& weekStart, int& monthStart);

    // "Flags" from the five protection booleans, bit 0 to bit 4.
    int GetFlags() const;
    void SetFlags(int flags);

    int m_nPosX = kNoPosition; // read at start-up only
    int m_nPosY = kNoPosition;
    bool m_bOnTop = false;
    bool m_bShowTotal = false;
    bool m_bHidden = false;
    int m_nTotalType = 0;
    int m_nWeekStart = 0;
    int m_nMonthStart = 1;
    bool m_bAutoShow = false;
    std::string m_strSelectedISP;
    bool m_bAutoStart = false;
    // The five "Flags" bits: protection on, and what it guards.
    bool m_bProtect = false;        // bit 0: password protection on
    bool m_bProtectExit = true;     // bit 1: Exit asks for the password
    bool m_bProtectConfig = true;   // bit 2: Preferences asks for the password
    bool m_bProtectHistory = false; // bit 3: opening the History window asks for it
    bool m_bHistoryEdit = false;    // bit 4: the History window may change connections
    std::string m_strPassword;      // as CPasswordHash stores it; a plain one until it is saved
};

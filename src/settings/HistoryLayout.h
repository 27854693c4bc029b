#pragma once

class CSettingsStore;

// The History window's layout values, in the settings section "History".
class CHistoryLayout
{
public:
    void Load(const CSettingsStore& store);
    void Save(CSettingsStore& store) const;

    int m_nPosX = 0;
    int m_nPosY = 0;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nTreeWidth = 160;
    int m_nColWidth[4] = {120, 120, 60, 80};
    // Whether the widths came from the settings; those that did not are fitted to their texts.
    bool m_bTreeWidthStored = false;
    bool m_bColWidthStored[4] = {false, false, false, false};
    // The chart pane under the tree and the list; 0 when the user folded it away, negative
    // when never stored.
    int m_nChartHeight = -1;
};

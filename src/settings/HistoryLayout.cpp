#include "HistoryLayout.h"

#include <climits>
#include <string>

#include "SettingsStore.h"

namespace {
const char* const kSection = "History";
const char* const kColumns[] = {"ColWidth0", "ColWidth1", "ColWidth2", "ColWidth3"};
} // namespace

void CHistoryLayout::Load(const CSettingsStore& store)
{
    m_nPosX = store.GetInt(kSection, "PosX", 0);
    m_nPosY = store.GetInt(kSection, "PosY", 0);
    m_nWidth = store.GetInt(kSection, "Width", 0);
    m_nHeight = store.GetInt(kSection, "Height", 0);
    // INT_MIN stands for "not stored", a value no one saves.
    int tree = store.GetInt(kSection, "TreeWidth", INT_MIN);
    m_bTreeWidthStored = tree != INT_MIN;
    m_nTreeWidth = m_bTreeWidthStored ? tree : 160;
    static const int defaults[] = {120, 120, 60, 80};
    for (int i = 0; i < 4; ++i) {
        int width = store.GetInt(kSection, kColumns[i], INT_MIN);
        m_bColWidthStored[i] = width != INT_MIN;
        m_nColWidth[i] = m_bColWidthStored[i] ? width : defaults[i];
    }
    m_nChartHeight = store.GetInt(kSection, "ChartHeight", -1);
}

void CHistoryLayout::Save(CSettingsStore& store) const
{
    store.WriteInt(kSection, "PosX", m_nPosX);
    store.WriteInt(kSection, "PosY", m_nPosY);
    store.WriteInt(kSection, "Width", m_nWidth);
    store.WriteInt(kSection, "Height", m_nHeight);
    store.WriteInt(kSection, "TreeWidth", m_nTreeWidth);
    for (int i = 0; i < 4; ++i)
        store.WriteInt(kSection, kColumns[i], m_nColWidth[i]);
    if (m_nChartHeight >= 0)
        store.WriteInt(kSection, "ChartHeight", m_nChartHeight);
}

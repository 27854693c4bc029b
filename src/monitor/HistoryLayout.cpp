#include "HistoryLayout.h"

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
    m_nTreeWidth = store.GetInt(kSection, "TreeWidth", 160);
    static const int defaults[] = {120, 120, 60, 80};
    for (int i = 0; i < 4; ++i)
        m_nColWidth[i] = store.GetInt(kSection, kColumns[i], defaults[i]);
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
}

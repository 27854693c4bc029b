#include "EntryName.h"

#include <ostream>

const std::string& CEntryName::EmptyText()
{
    static const std::string empty;
    return empty;
}

CEntryName::CEntryName(const std::string& text)
{
    if (!text.empty())
        m_bits = reinterpret_cast<std::uintptr_t>(new std::string(text)) | kOwned;
}

CEntryName& CEntryName::operator=(const CEntryName& other)
{
    if (this != &other)
        *this = other.Get();
    return *this;
}

CEntryName& CEntryName::operator=(const std::string& text)
{
    if (m_bits & kOwned) {
        // The text may be this name's own (name = name.Get()): std::string assigns that safely.
        *reinterpret_cast<std::string*>(m_bits & ~kOwned) = text;
        return *this;
    }
    m_bits = 0;
    if (!text.empty())
        m_bits = reinterpret_cast<std::uintptr_t>(new std::string(text)) | kOwned;
    return *this;
}

void CEntryName::Release()
{
    if (m_bits & kOwned)
        delete reinterpret_cast<std::string*>(m_bits & ~kOwned);
    m_bits = 0;
}

std::ostream& operator<<(std::ostream& out, const CEntryName& name)
{
    return out << name.Get();
}

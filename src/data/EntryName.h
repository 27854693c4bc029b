#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

// A record's phone-book entry name, one pointer wide. It either owns its text or points at
// text shared by every record of the same entry in one log (the log's CConnectionStore holds
// that text and outlives its records). Assigning a name always gives the record a text of its
// own, so renaming one record never renames the others; a copy always owns its text too, so
// it may outlive the log it was copied from. Reads like a const std::string.
class CEntryName
{
public:
    CEntryName() = default;
    CEntryName(const std::string& text); // NOLINT: a name is a string wherever one is expected
    CEntryName(const char* text) : CEntryName(std::string(text)) {}
    CEntryName(const CEntryName& other) : CEntryName(other.Get()) {}
    CEntryName& operator=(const CEntryName& other);
    CEntryName& operator=(const std::string& text);
    CEntryName& operator=(const char* text) { return *this = std::string(text); }
    ~CEntryName()
    {
        if (m_bits & kOwned)
            Release();
    }

    // Points at text that the caller keeps alive and unchanged for as long as this name, in
    // place of any text of its own.
    void Share(const std::string& text)
    {
        if (m_bits & kOwned)
            Release();
        m_bits = text.empty() ? 0 : reinterpret_cast<std::uintptr_t>(&text);
    }

    const std::string& Get() const
    {
        return m_bits == 0 ? EmptyText() : *reinterpret_cast<const std::string*>(m_bits & ~kOwned);
    }
    operator const std::string&() const { return Get(); } // NOLINT
    bool IsShared() const { return m_bits != 0 && !(m_bits & kOwned); }

    const char* data() const { return Get().data(); }
    const char* c_str() const { return Get().c_str(); }
    std::size_t size() const { return Get().size(); }
    bool empty() const { return Get().empty(); }

private:
    static constexpr std::uintptr_t kOwned = 1; // std::string is aligned, so the low bit is free

    static const std::string& EmptyText();
    void Release();

    std::uintptr_t m_bits = 0; // 0: the empty name
};

inline bool operator==(const CEntryName& a, const CEntryName& b)
{
    return a.Get() == b.Get();
}
inline bool operator==(const CEntryName& a, const std::string& b)
{
    return a.Get() == b;
}
inline bool operator==(const std::string& a, const CEntryName& b)
{
    return a == b.Get();
}
inline bool operator==(const CEntryName& a, const char* b)
{
    return a.Get() == b;
}
inline bool operator==(const char* a, const CEntryName& b)
{
    return b.Get() == a;
}
template <typename T> bool operator!=(const CEntryName& a, const T& b)
{
    return !(a == b);
}
inline bool operator!=(const std::string& a, const CEntryName& b)
{
    return !(a == b);
}
std::ostream& operator<<(std::ostream& out, const CEntryName& name);

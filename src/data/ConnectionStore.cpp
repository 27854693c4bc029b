#include "ConnectionStore.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

namespace {

// Blocks grow from small, for the many short logs, to a size that malloc maps on its own and
// gives back to the system when freed.
constexpr std::size_t kFirstBlock = 64;
constexpr std::size_t kLargestBlock = 8192;
// Up to this many names, a look along the list beats hashing the name.
constexpr std::size_t kFewNames = 8;

} // namespace

CConnectionStore::CConnectionStore(CConnectionStore&& other) noexcept
    : m_blocks(std::move(other.m_blocks)), m_nCount(std::exchange(other.m_nCount, 0)),
      m_names(std::move(other.m_names)), m_nameIndex(std::move(other.m_nameIndex)),
      m_pLastName(std::exchange(other.m_pLastName, nullptr))
{
    other.m_blocks.clear();
    other.m_names.clear();
    other.m_nameIndex.clear();
}

CConnectionStore& CConnectionStore::operator=(CConnectionStore&& other) noexcept
{
    if (this != &other) {
        Clear();
        std::swap(m_blocks, other.m_blocks);
        std::swap(m_nCount, other.m_nCount);
        std::swap(m_names, other.m_names);
        std::swap(m_nameIndex, other.m_nameIndex);
        std::swap(m_pLastName, other.m_pLastName);
    }
    return *this;
}

const std::string& CConnectionStore::Intern(std::string_view name)
{
    // Consecutive lines mostly name the same entry, and a log names only a few.
    auto same = [name](const std::string& text) {
        return text.size() == name.size() && std::memcmp(text.data(), name.data(), name.size()) == 0;
    };
    if (m_pLastName && same(*m_pLastName))
        return *m_pLastName;
    if (m_names.size() <= kFewNames) {
        for (const auto& text : m_names)
            if (same(*text)) {
                m_pLastName = text.get();
                return *text;
            }
    }
    auto found = m_nameIndex.find(name);
    if (found == m_nameIndex.end()) {
        m_names.push_back(std::make_unique<std::string>(name));
        const std::string* text = m_names.back().get();
        found = m_nameIndex.emplace(std::string_view(*text), text).first;
    }
    m_pLastName = found->second;
    return *m_pLastName;
}

CConnection* CConnectionStore::Add(std::int64_t start, std::int64_t end, std::string_view name, bool deleted)
{
    if (m_blocks.empty() || m_blocks.back().used == m_blocks.back().capacity) {
        std::size_t capacity = m_blocks.empty() ? kFirstBlock : std::min(kLargestBlock, m_blocks.back().capacity * 2);
        void* memory = ::operator new(capacity * sizeof(CConnection));
        m_blocks.push_back({static_cast<CConnection*>(memory), capacity, 0});
    }
    SBlock& block = m_blocks.back();
    CConnection* slot = block.records + block.used;
    if (!CTime(start).IsValid() || !CTime(end).IsValid())
        throw std::out_of_range("instant outside 1970-01-01 to 2038-01-19");
    const std::string& text = Intern(name);
    CConnection* record = new (slot) CConnection(std::int32_t(start), std::int32_t(end), deleted);
    ++block.used;
    ++m_nCount;
    record->m_strName.Share(text);
    return record;
}

void CConnectionStore::Absorb(CConnectionStore&& other)
{
    if (this == &other)
        return;
    m_blocks.reserve(m_blocks.size() + other.m_blocks.size());
    m_blocks.insert(m_blocks.end(), other.m_blocks.begin(), other.m_blocks.end());
    m_nCount += other.m_nCount;
    // Names both stores hold stay twice: the other's records point at its copies.
    for (auto& text : other.m_names) {
        m_nameIndex.emplace(std::string_view(*text), text.get());
        m_names.push_back(std::move(text));
    }
    other.m_blocks.clear();
    other.m_nCount = 0;
    other.m_names.clear();
    other.m_nameIndex.clear();
    other.m_pLastName = nullptr;
}

void CConnectionStore::CollectFrom(std::size_t first, std::vector<CConnection*>& out) const
{
    std::size_t index = 0;
    for (const SBlock& block : m_blocks) {
        if (index + block.used > first)
            for (std::size_t i = first > index ? first - index : 0; i < block.used; ++i)
                out.push_back(block.records + i);
        index += block.used;
    }
}

void CConnectionStore::Clear()
{
    for (const SBlock& block : m_blocks) {
        for (std::size_t i = 0; i < block.used; ++i)
            block.records[i].~CConnection();
        ::operator delete(block.records);
    }
    m_blocks.clear();
    m_nCount = 0;
    m_nameIndex.clear();
    m_names.clear();
    m_pLastName = nullptr;
}

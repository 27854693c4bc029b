#include "ConnectionStore.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <sys/mman.h>
#include <utility>

namespace {

// Blocks grow from small, for the many short logs, to one huge page: a large log then takes
// one page fault per 2 MiB rather than one per 4 KiB, where the system allows huge pages.
constexpr std::size_t kFirstBlock = 64;
constexpr std::size_t kHugePage = 2 << 20;
constexpr std::size_t kLargestBlock = kHugePage / sizeof(CConnection);

void* AllocateBlock(std::size_t records)
{
    const std::size_t bytes = records * sizeof(CConnection);
    void* memory = nullptr;
    if (bytes > kHugePage / 2) {
        const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        memory = std::aligned_alloc(kHugePage, rounded);
        // Only a hint: without it the block is made of small pages, which works as well.
        if (memory)
            madvise(memory, rounded, MADV_HUGEPAGE);
    } else {
        memory = std::malloc(bytes);
    }
    if (!memory)
        throw std::bad_alloc();
    return memory;
}
// The names compared before the table is asked.
constexpr std::size_t kFewNames = 8;

} // namespace

CConnectionStore::CConnectionStore(CConnectionStore&& other) noexcept
    : m_blocks(std::move(other.m_blocks)), m_nCount(std::exchange(other.m_nCount, 0)),
      m_names(std::move(other.m_names)), m_nameIndex(std::move(other.m_nameIndex)), m_recent(std::move(other.m_recent))
{
    other.m_blocks.clear();
    other.m_recent.clear();
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
        std::swap(m_recent, other.m_recent);
    }
    return *this;
}

namespace {

// The length and the first, middle and last bytes of a name, for a quick comparison.
std::uint64_t Head(std::string_view name)
{
    if (name.empty())
        return 0;
    const auto byte = [name](std::size_t i) { return std::uint64_t(std::uint8_t(name[i])); };
    return std::uint64_t(name.size()) << 24 | byte(0) << 16 | byte(name.size() / 2) << 8 | byte(name.size() - 1);
}

} // namespace

const std::string& CConnectionStore::Intern(std::string_view name)
{
    // A log names only a few entries: look along them first, comparing length and three bytes
    // before anything else.
    const std::uint64_t head = Head(name);
    for (const SRecent& recent : m_recent)
        if (recent.size == name.size() && recent.head == head &&
            (name.size() <= 3 || std::memcmp(recent.text->data(), name.data(), name.size()) == 0))
            return *recent.text;
    auto found = m_nameIndex.find(name);
    if (found == m_nameIndex.end()) {
        m_names.push_back(std::make_unique<std::string>(name));
        const std::string* text = m_names.back().get();
        found = m_nameIndex.emplace(std::string_view(*text), text).first;
    }
    if (m_recent.size() < kFewNames)
        m_recent.push_back({name.size(), head, found->second});
    return *found->second;
}

CConnection* CConnectionStore::Add(std::int64_t start, std::int64_t end, std::string_view name, bool deleted)
{
    if (m_blocks.empty() || m_blocks.back().used == m_blocks.back().capacity) {
        std::size_t capacity = m_blocks.empty() ? kFirstBlock : std::min(kLargestBlock, m_blocks.back().capacity * 2);
        if (m_blocks.size() == m_blocks.capacity())
            m_blocks.reserve(std::max<std::size_t>(16, 2 * m_blocks.size())); // so that the push cannot throw
        m_blocks.push_back({static_cast<CConnection*>(AllocateBlock(capacity)), capacity, 0});
    }
    SBlock& block = m_blocks.back();
    CConnection* slot = block.records + block.used;
    if (!CTime(start).IsValid() || !CTime(end).IsValid())
        throw std::out_of_range("instant outside 1970-01-01 to 9999-12-31");
    const std::string& text = Intern(name);
    CConnection* record = new (slot) CConnection(start, end, deleted);
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
    other.m_recent.clear();
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
        std::free(block.records);
    }
    m_blocks.clear();
    m_nCount = 0;
    m_nameIndex.clear();
    m_names.clear();
    m_recent.clear();
}

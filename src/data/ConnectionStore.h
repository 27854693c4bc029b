#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Connection.h"

// Where a log keeps the records it reads: in large blocks, so that a million records cost a
// few hundred allocations rather than a million, and with one copy of each entry name that
// all records of the entry share. A record keeps its address until the store is cleared or
// destroyed; the store destroys its records itself.
class CConnectionStore
{
public:
    CConnectionStore() = default;
    CConnectionStore(CConnectionStore&& other) noexcept;
    CConnectionStore& operator=(CConnectionStore&& other) noexcept;
    ~CConnectionStore() { Clear(); }

    // start and end must be valid instants (see CConnection).
    CConnection* Add(std::int64_t start, std::int64_t end, std::string_view name, bool deleted);
    std::size_t GetCount() const { return m_nCount; }
    // Appends the addresses of the records from index first on, in the order they were added.
    void CollectFrom(std::size_t first, std::vector<CConnection*>& out) const;
    // Takes over every record and name of other (left empty), after this store's records.
    void Absorb(CConnectionStore&& other);
    // The shared text of a name, added to the table if new.
    const std::string& Intern(std::string_view name);
    std::size_t GetNameCount() const { return m_names.size(); }
    void Clear();

private:
    struct SBlock
    {
        CConnection* records;
        std::size_t capacity;
        std::size_t used;
    };

    std::vector<SBlock> m_blocks;
    std::size_t m_nCount = 0;
    std::vector<std::unique_ptr<std::string>> m_names;
    std::unordered_map<std::string_view, const std::string*> m_nameIndex; // views of m_names
    struct SRecent
    {
        std::size_t size;
        std::uint64_t head; // see Head in the source
        const std::string* text;
    };
    std::vector<SRecent> m_recent; // the first few names, in the order they came
};

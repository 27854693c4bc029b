#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

struct XXH64_state_s;

// A running 64-bit hash of a file's bytes, to recognise later whether the file still begins
// with what was read. Not cryptographic: it guards against accidents, not attacks. XXH64 from
// libxxhash, far cheaper than parsing the same bytes.
class CContentHash
{
public:
    CContentHash();
    CContentHash(const CContentHash& other);
    CContentHash& operator=(const CContentHash& other);
    CContentHash(CContentHash&&) noexcept = default;
    CContentHash& operator=(CContentHash&&) noexcept = default;
    ~CContentHash() = default;

    void Feed(const char* data, std::size_t size);
    // The hash of everything fed so far; feeding may go on afterwards.
    std::uint64_t Digest() const;
    std::uint64_t Size() const { return m_nSize; }

private:
    struct SFreeState
    {
        void operator()(XXH64_state_s* state) const;
    };
    // The library's state is opaque to a program linked against the shared library, so it
    // lives where the library allocates it.
    std::unique_ptr<XXH64_state_s, SFreeState> m_state;
    std::uint64_t m_nSize = 0;
};

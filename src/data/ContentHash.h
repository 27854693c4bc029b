#pragma once

#include <cstddef>
#include <cstdint>

// A running 64-bit hash of a file's bytes, to recognise later whether the file still begins
// with what was read. Not cryptographic: it guards against accidents, not attacks. Four
// independent lanes over 8-byte words keep it far cheaper than parsing the same bytes.
class CContentHash
{
public:
    void Feed(const char* data, std::size_t size);
    // The hash of everything fed so far; feeding may go on afterwards.
    std::uint64_t Digest() const;
    std::uint64_t Size() const { return m_nSize; }

private:
    void Block(const unsigned char* block);

    std::uint64_t m_lanes[4] = {0x9E3779B97F4A7C15ull, 0xC2B2AE3D27D4EB4Full, 0x165667B19E3779F9ull,
                                0xD6E8FEB86659FD93ull};
    unsigned char m_tail[32] = {};
    std::size_t m_nTail = 0;
    std::uint64_t m_nSize = 0;
};

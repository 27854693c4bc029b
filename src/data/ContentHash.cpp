#include "ContentHash.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;

std::uint64_t Rotl(std::uint64_t x, int r)
{
    return (x << r) | (x >> (64 - r));
}

std::uint64_t Round(std::uint64_t lane, std::uint64_t word)
{
    lane += word * kPrime2;
    return Rotl(lane, 31) * kPrime1;
}

std::uint64_t Load64(const unsigned char* p)
{
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

} // namespace

void CContentHash::Block(const unsigned char* block)
{
    for (int i = 0; i < 4; ++i)
        m_lanes[i] = Round(m_lanes[i], Load64(block + 8 * i));
}

void CContentHash::Feed(const char* data, std::size_t size)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(data);
    m_nSize += size;
    if (m_nTail > 0) {
        std::size_t take = std::min(size, sizeof m_tail - m_nTail);
        std::memcpy(m_tail + m_nTail, p, take);
        m_nTail += take;
        p += take;
        size -= take;
        if (m_nTail < sizeof m_tail)
            return;
        Block(m_tail);
        m_nTail = 0;
    }
    for (; size >= 32; p += 32, size -= 32)
        Block(p);
    std::memcpy(m_tail, p, size);
    m_nTail = size;
}

std::uint64_t CContentHash::Digest() const
{
    std::uint64_t hash = Rotl(m_lanes[0], 1) + Rotl(m_lanes[1], 7) + Rotl(m_lanes[2], 12) + Rotl(m_lanes[3], 18);
    hash ^= m_nSize * kPrime1;
    for (std::size_t i = 0; i < m_nTail; ++i)
        hash = Rotl(hash ^ (m_tail[i] * kPrime2), 11) * kPrime1;
    hash ^= hash >> 33;
    hash *= kPrime2;
    hash ^= hash >> 29;
    return hash;
}

#include "ContentHash.h"

#include <new>
#include <xxhash.h>

namespace {

XXH64_state_t* NewState()
{
    XXH64_state_t* state = XXH64_createState();
    if (!state)
        throw std::bad_alloc();
    return state;
}

} // namespace

void CContentHash::SFreeState::operator()(XXH64_state_s* state) const
{
    XXH64_freeState(state);
}

CContentHash::CContentHash() : m_state(NewState())
{
    XXH64_reset(m_state.get(), 0);
}

CContentHash::CContentHash(const CContentHash& other) : m_state(NewState()), m_nSize(other.m_nSize)
{
    XXH64_copyState(m_state.get(), other.m_state.get());
}

CContentHash& CContentHash::operator=(const CContentHash& other)
{
    if (this != &other) {
        CContentHash copy(other);
        *this = std::move(copy);
    }
    return *this;
}

void CContentHash::Feed(const char* data, std::size_t size)
{
    // Fails only for a null pointer with a size, which a caller never passes.
    XXH64_update(m_state.get(), data, size);
    m_nSize += size;
}

std::uint64_t CContentHash::Digest() const
{
    return XXH64_digest(m_state.get());
}

#include "PasswordHash.h"

#include <sodium.h>
#include <stdexcept>

namespace {

constexpr char kPrefix[] = "$argon2id$";

void InitLibrary()
{
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium cannot be initialised");
}

} // namespace

bool CPasswordHash::IsHash(const std::string& stored)
{
    return stored.compare(0, sizeof kPrefix - 1, kPrefix) == 0;
}

std::string CPasswordHash::Hash(const std::string& password)
{
    InitLibrary();
    char hash[crypto_pwhash_STRBYTES];
    // The interactive limits: a fraction of a second at each guarded command.
    if (crypto_pwhash_str_alg(hash, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                              crypto_pwhash_MEMLIMIT_INTERACTIVE, crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw std::runtime_error("the password cannot be hashed (out of memory)");
    return hash;
}

bool CPasswordHash::Matches(const std::string& password, const std::string& stored)
{
    if (IsHash(stored)) {
        InitLibrary();
        return crypto_pwhash_str_verify(stored.c_str(), password.data(), password.size()) == 0;
    }
    // Older settings: the bytes themselves, compared in constant time.
    return password.size() == stored.size() && sodium_memcmp(password.data(), stored.data(), stored.size()) == 0;
}

std::string CPasswordHash::ForStorage(const std::string& value)
{
    return value.empty() || IsHash(value) ? value : Hash(value);
}

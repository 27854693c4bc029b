#pragma once

#include <string>

// The guard's password as the settings keep it: a salted, slow hash (Argon2id, libsodium's
// crypto_pwhash_str) of the same case-folded bytes that are compared, so that reading the
// settings file does not give the password away. Settings written before held the bytes
// themselves; those are still understood, and hashed at the next save.
class CPasswordHash
{
public:
    // Whether a stored value is a hash rather than an old plain password.
    static bool IsHash(const std::string& stored);
    // A new hash with a fresh salt. Raises std::runtime_error when the library cannot make one
    // (out of memory).
    static std::string Hash(const std::string& password);
    // Whether the password is the one stored, as a hash or, from older settings, as bytes.
    static bool Matches(const std::string& password, const std::string& stored);
    // What to store for a value held in memory: a hash stays as it is, a plain password is
    // hashed, no password stays empty.
    static std::string ForStorage(const std::string& value);
};

#include "server/password_hasher.h"

#include <sodium.h>

#include <stdexcept>

namespace server {

HashCost HashCost::interactive()
{
    return {crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE};
}

HashCost HashCost::weakestForTests()
{
    return {crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN};
}

PasswordHasher::PasswordHasher(HashCost cost) : cost_(cost)
{
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium could not be initialised");
    dummyHash_ = hash("unused dummy password");
}

std::string PasswordHasher::hash(std::string_view password) const
{
    char encoded[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(encoded, password.data(), password.size(), cost_.opsLimit, cost_.memLimit)
        != 0) {
        throw std::runtime_error("password hashing ran out of memory");
    }
    return encoded;
}

bool PasswordHasher::verify(const std::string &encodedHash, std::string_view password) const
{
    return crypto_pwhash_str_verify(encodedHash.c_str(), password.data(), password.size()) == 0;
}

void PasswordHasher::verifyDummy(std::string_view password) const
{
    (void)verify(dummyHash_, password);
}

} // namespace server

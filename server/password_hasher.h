#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace server {

// Work factors of the Argon2id password hash.
struct HashCost {
    unsigned long long opsLimit;
    std::size_t memLimit;

    // libsodium's interactive limits: what real accounts use.
    static HashCost interactive();
    // The smallest limits libsodium accepts; only for test runs, where hundreds of accounts are
    // made and the strength of the hash does not matter.
    static HashCost weakestForTests();
};

// Salted slow hashes of passwords (libsodium crypto_pwhash_str, Argon2id). The password itself
// is never stored. Thread-safe: no state changes after construction.
class PasswordHasher {
public:
    explicit PasswordHasher(HashCost cost);

    // The encoded hash, which carries its own salt and limits. Throws when memory runs out.
    std::string hash(std::string_view password) const;
    bool verify(const std::string &encodedHash, std::string_view password) const;
    // Spends the time of one verification, so that an unknown user name is not told apart from a
    // wrong password by how long the answer takes.
    void verifyDummy(std::string_view password) const;

private:
    HashCost cost_;
    std::string dummyHash_;
};

} // namespace server

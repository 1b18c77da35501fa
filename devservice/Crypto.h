#pragma once

#include <cstdint>
#include <string>

// Randomness and password hashing, all from OpenSSL.
namespace devservice {

// nBytes of cryptographic randomness as lower-case hex (2 * nBytes chars).
std::string randomHex(int nBytes);
// A uniformly drawn integer in [low, high].
std::uint32_t randomBetween(std::uint32_t low, std::uint32_t high);

// Salted PBKDF2-SHA256: "pbkdf2-sha256$<iterations>$<salt hex>$<hash hex>".
std::string hashPassword(const std::string &password);
bool verifyPassword(const std::string &password, const std::string &stored);

} // namespace devservice

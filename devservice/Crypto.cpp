#include "Crypto.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <stdexcept>
#include <vector>

namespace devservice {

namespace {

// Enough to make a stolen database expensive to search, cheap enough that
// the client's habit of signing in before every action stays fast.
constexpr int passwordIterations = 20000;
constexpr int hashBytes = 32;

std::string toHex(const unsigned char *data, std::size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        hex += digits[data[i] >> 4];
        hex += digits[data[i] & 0x0F];
    }
    return hex;
}

std::vector<unsigned char> fromHex(const std::string &hex) {
    std::vector<unsigned char> bytes;
    if (hex.size() % 2 != 0)
        return bytes;
    auto value = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = value(hex[i]);
        const int low = value(hex[i + 1]);
        if (high < 0 || low < 0)
            return {};
        bytes.push_back(static_cast<unsigned char>(high * 16 + low));
    }
    return bytes;
}

std::vector<unsigned char> derive(const std::string &password,
                                  const std::vector<unsigned char> &salt, int iterations) {
    std::vector<unsigned char> out(hashBytes);
    if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt.data(),
                          static_cast<int>(salt.size()), iterations, EVP_sha256(), hashBytes,
                          out.data()) != 1)
        throw std::runtime_error("PBKDF2 failed");
    return out;
}

} // namespace

std::string randomHex(int nBytes) {
    std::vector<unsigned char> bytes(static_cast<std::size_t>(nBytes));
    if (RAND_bytes(bytes.data(), nBytes) != 1)
        throw std::runtime_error("no randomness available");
    return toHex(bytes.data(), bytes.size());
}

std::uint32_t randomBetween(std::uint32_t low, std::uint32_t high) {
    const std::uint64_t span = std::uint64_t(high) - low + 1;
    // Rejection sampling keeps the draw uniform.
    const std::uint64_t limit = (std::uint64_t(1) << 32) / span * span;
    for (;;) {
        std::uint32_t value = 0;
        if (RAND_bytes(reinterpret_cast<unsigned char *>(&value), sizeof value) != 1)
            throw std::runtime_error("no randomness available");
        if (value < limit)
            return low + static_cast<std::uint32_t>(value % span);
    }
}

std::string hashPassword(const std::string &password) {
    std::vector<unsigned char> salt(16);
    if (RAND_bytes(salt.data(), static_cast<int>(salt.size())) != 1)
        throw std::runtime_error("no randomness available");
    const auto hash = derive(password, salt, passwordIterations);
    return "pbkdf2-sha256$" + std::to_string(passwordIterations) + "$" +
           toHex(salt.data(), salt.size()) + "$" + toHex(hash.data(), hash.size());
}

bool verifyPassword(const std::string &password, const std::string &stored) {
    const std::string prefix = "pbkdf2-sha256$";
    if (stored.compare(0, prefix.size(), prefix) != 0)
        return false;
    const auto first = stored.find('$', prefix.size());
    const auto second = first == std::string::npos ? first : stored.find('$', first + 1);
    if (second == std::string::npos)
        return false;
    int iterations = 0;
    try {
        iterations = std::stoi(stored.substr(prefix.size(), first - prefix.size()));
    } catch (const std::exception &) {
        return false;
    }
    if (iterations <= 0 || iterations > 10000000)
        return false;
    const auto salt = fromHex(stored.substr(first + 1, second - first - 1));
    const auto expected = fromHex(stored.substr(second + 1));
    if (salt.empty() || expected.size() != hashBytes)
        return false;
    const auto actual = derive(password, salt, iterations);
    return CRYPTO_memcmp(actual.data(), expected.data(), hashBytes) == 0;
}

} // namespace devservice

#pragma once

#include <cstddef>
#include <ctime>
#include <string>

// Small text helpers shared by the service's parts.
namespace devservice {

// "yyyy-MM-dd HH:mm:ss" in UTC, the date-time format of the programme data.
std::string formatUtc(std::time_t time);

std::string trim(const std::string &text);
std::string toLowerAscii(std::string text);
bool startsWith(const std::string &text, const std::string &prefix);
bool isAllDigits(const std::string &text);

// True when text is well-formed UTF-8 (no overlong forms, no surrogates).
bool isValidUtf8(const std::string &text);
// Number of code points of well-formed UTF-8 text.
std::size_t utf8Length(const std::string &text);
bool hasControlCharacters(const std::string &text);

// A phone number as the service keys it: digits only. Blanks, dashes,
// brackets and one leading "+" are dropped; anything else makes it invalid
// (empty result).
std::string normalisePhone(const std::string &text);

// Lower-case ASCII letters, digits and '-' only, for file names made from
// titles ("Sport 1" -> "sport-1").
std::string slugify(const std::string &text);

// Appends text as a JSON string literal (quotes and escapes added); bytes
// that are not well-formed UTF-8 become U+FFFD.
void appendJsonString(std::string &out, const std::string &text);

// Text fit for one log line: control characters escaped, cut at maxBytes.
std::string forLog(const std::string &text, std::size_t maxBytes = 120);

} // namespace devservice

#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

// Writes the client's settings group "service" into a settings file in the
// INI format that the client's settings store reads, leaving every other
// group of the file as it was.
namespace devservice {

// Value quoted the way the store reads strings back unchanged: quotes keep
// commas and semicolons from splitting or cutting it, escapes carry what is
// not ASCII.
std::string iniQuote(const std::string &value);

// Returns the text of an INI file with `group` replaced by `entries` (in
// their order), or appended when absent.
std::string replaceIniGroup(const std::string &original, const std::string &group,
                            const std::vector<std::pair<std::string, std::string>> &entries);

// Reads path (missing is fine), replaces the group and writes it back
// atomically, creating the parent folders. False with error set on failure.
bool writeIniGroup(const std::string &path, const std::string &group,
                   const std::vector<std::pair<std::string, std::string>> &entries,
                   std::string &error);

} // namespace devservice

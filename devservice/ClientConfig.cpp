#include "ClientConfig.h"

#include "TextUtil.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace devservice {

namespace fs = std::filesystem;

namespace {

// The UTF-16 units of UTF-8 text (the text is assumed well-formed).
std::vector<unsigned> utf16Units(const std::string &text) {
    std::vector<unsigned> units;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        unsigned codePoint = c;
        int extra = 0;
        if (c >= 0xF0) {
            codePoint = c & 0x07;
            extra = 3;
        } else if (c >= 0xE0) {
            codePoint = c & 0x0F;
            extra = 2;
        } else if (c >= 0xC0) {
            codePoint = c & 0x1F;
            extra = 1;
        }
        for (int k = 1; k <= extra && i + k < text.size(); ++k)
            codePoint = (codePoint << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        i += extra + 1;
        if (codePoint >= 0x10000) {
            codePoint -= 0x10000;
            units.push_back(0xD800 + (codePoint >> 10));
            units.push_back(0xDC00 + (codePoint & 0x3FF));
        } else {
            units.push_back(codePoint);
        }
    }
    return units;
}

bool isHexDigit(unsigned c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

} // namespace

std::string iniQuote(const std::string &value) {
    // The settings store reads INI files as Latin-1: anything beyond ASCII
    // goes as a "\x" escape of its UTF-16 unit, and a hex digit right after
    // such an escape is escaped too, so that it is not read as part of it.
    std::string quoted = "\"";
    bool escapeNextIfHex = false;
    char hex[16];
    for (const unsigned unit : utf16Units(value)) {
        if (unit < 0x20 || unit >= 0x7F || (escapeNextIfHex && isHexDigit(unit))) {
            std::snprintf(hex, sizeof hex, "\\x%x", unit);
            quoted += hex;
            escapeNextIfHex = true;
            continue;
        }
        escapeNextIfHex = false;
        if (unit == '"' || unit == '\\')
            quoted += '\\';
        quoted += static_cast<char>(unit);
    }
    return quoted + "\"";
}

std::string replaceIniGroup(const std::string &original, const std::string &group,
                            const std::vector<std::pair<std::string, std::string>> &entries) {
    std::string section = "[" + group + "]\n";
    for (const auto &[key, value] : entries)
        section += key + "=" + iniQuote(value) + "\n";

    std::istringstream in(original);
    std::string out;
    std::string line;
    bool inGroup = false;
    bool replaced = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::string trimmed = trim(line);
        if (!trimmed.empty() && trimmed.front() == '[' && trimmed.back() == ']') {
            inGroup = trimmed == "[" + group + "]";
            if (inGroup) {
                if (!out.empty() && out.back() != '\n')
                    out += '\n';
                out += section;
                replaced = true;
                continue;
            }
        }
        if (!inGroup)
            out += line + "\n";
    }
    if (!replaced) {
        if (!out.empty() && out.substr(out.size() >= 2 ? out.size() - 2 : 0) != "\n\n")
            out += "\n";
        out += section;
    }
    return out;
}

bool writeIniGroup(const std::string &path, const std::string &group,
                   const std::vector<std::pair<std::string, std::string>> &entries,
                   std::string &error) {
    std::error_code ec;
    const fs::path target(path);
    if (target.has_parent_path())
        fs::create_directories(target.parent_path(), ec);
    std::string original;
    {
        std::ifstream in(path, std::ios::binary);
        if (in) {
            std::ostringstream buffer;
            buffer << in.rdbuf();
            original = buffer.str();
        }
    }
    const std::string temp = path + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << replaceIniGroup(original, group, entries);
        if (!out.flush()) {
            error = "cannot write " + temp;
            return false;
        }
    }
    fs::rename(temp, path, ec);
    if (ec) {
        error = "cannot write " + path + ": " + ec.message();
        fs::remove(temp, ec);
        return false;
    }
    return true;
}

} // namespace devservice

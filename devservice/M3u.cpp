#include "M3u.h"

#include "TextUtil.h"

namespace devservice {

namespace {

constexpr std::size_t maxLineBytes = 8192;
constexpr std::size_t maxTitleBytes = 256;
const char *const unsortedGroup = "Unsorted";

bool isAbsoluteUrl(const std::string &line) {
    const auto colon = line.find("://");
    if (colon == std::string::npos || colon == 0)
        return false;
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = line[i];
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
        if (!ok)
            return false;
    }
    return line.find_first_of(" \t") == std::string::npos;
}

bool isAdultGroup(const std::string &group) {
    const std::string lower = toLowerAscii(group);
    return lower.find("adult") != std::string::npos || lower.find("xxx") != std::string::npos ||
           lower.find("18+") != std::string::npos;
}

std::string cutUtf8(const std::string &text, std::size_t maxBytes) {
    if (text.size() <= maxBytes)
        return text;
    std::size_t end = maxBytes;
    // Never split a multi-byte sequence.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

std::string cleanText(const std::string &text) {
    std::string out;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        out += (u < 0x20 || u == 0x7F) ? ' ' : c;
    }
    return trim(out);
}

} // namespace

ExtInf parseExtInf(const std::string &line) {
    ExtInf result;
    std::size_t i = line.find(':');
    i = (i == std::string::npos) ? line.size() : i + 1;
    // Skip the duration ("-1", "0", "123.5").
    while (i < line.size() && line[i] != ' ' && line[i] != ',' && line[i] != '\t')
        ++i;
    for (;;) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i >= line.size())
            return result;
        if (line[i] == ',') {
            result.title = line.substr(i + 1);
            return result;
        }
        // key=value, key="value" or a stray word.
        const std::size_t keyStart = i;
        while (i < line.size() && line[i] != '=' && line[i] != ' ' && line[i] != ',' &&
               line[i] != '\t')
            ++i;
        const std::string key = toLowerAscii(line.substr(keyStart, i - keyStart));
        if (i >= line.size() || line[i] != '=')
            continue;
        ++i;
        std::string value;
        if (i < line.size() && line[i] == '"') {
            const std::size_t close = line.find('"', i + 1);
            if (close == std::string::npos) {
                // An unterminated quote: the rest of the line is no title.
                value = line.substr(i + 1);
                i = line.size();
            } else {
                value = line.substr(i + 1, close - i - 1);
                i = close + 1;
            }
        } else {
            const std::size_t valueStart = i;
            while (i < line.size() && line[i] != ' ' && line[i] != ',' && line[i] != '\t')
                ++i;
            value = line.substr(valueStart, i - valueStart);
        }
        if (!key.empty())
            result.attributes[key] = value;
    }
}

bool looksLikeM3u(const std::string &text) {
    std::string head = text.substr(0, 4096);
    if (startsWith(head, "\xEF\xBB\xBF"))
        head.erase(0, 3);
    head = trim(head);
    if (startsWith(head, "#EXTM3U") || head.find("#EXTINF:") != std::string::npos)
        return true;
    // A plain list of addresses is an M3U playlist as well.
    const auto end = head.find('\n');
    return isAbsoluteUrl(trim(head.substr(0, end)));
}

M3uPlaylist parseM3u(const std::string &text, std::size_t maxEntries) {
    M3uPlaylist playlist;
    std::size_t pos = 0;
    if (startsWith(text, "\xEF\xBB\xBF"))
        pos = 3;

    bool haveInfo = false;
    ExtInf info;
    std::string extGroup;

    auto groupNamed = [&playlist](const std::string &name) {
        for (const auto &group : playlist.groups) {
            if (group == name)
                return;
        }
        playlist.groups.push_back(name);
    };

    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() > maxLineBytes) {
            ++playlist.skippedLines;
            continue;
        }
        line = trim(line);
        if (line.empty())
            continue;
        if (startsWith(line, "#EXTINF:")) {
            info = parseExtInf(line);
            haveInfo = true;
            extGroup.clear();
            continue;
        }
        if (startsWith(line, "#EXTGRP:")) {
            extGroup = cleanText(line.substr(8));
            continue;
        }
        if (line[0] == '#')
            continue;
        if (!isAbsoluteUrl(line) || !isValidUtf8(line)) {
            ++playlist.skippedLines;
            haveInfo = false;
            extGroup.clear();
            continue;
        }
        if (playlist.entries.size() >= maxEntries) {
            playlist.truncated = true;
            break;
        }

        M3uEntry entry;
        entry.url = line;
        auto attribute = [&info, haveInfo](const char *key) -> std::string {
            if (!haveInfo)
                return {};
            const auto found = info.attributes.find(key);
            if (found == info.attributes.end() || !isValidUtf8(found->second))
                return {};
            return cleanText(found->second);
        };
        std::string title = haveInfo ? cleanText(info.title) : std::string();
        if (title.empty() || !isValidUtf8(title))
            title = line;
        entry.title = cutUtf8(title, maxTitleBytes);
        std::string group = isValidUtf8(extGroup) ? extGroup : std::string();
        if (group.empty())
            group = attribute("group-title");
        if (group.empty())
            group = unsortedGroup;
        entry.group = cutUtf8(group, maxTitleBytes);
        entry.logo = attribute("tvg-logo");
        entry.tvgId = attribute("tvg-id");
        const std::string adult = toLowerAscii(attribute("adult"));
        entry.adult = adult == "1" || adult == "true" || adult == "yes" || isAdultGroup(group);
        groupNamed(entry.group);
        playlist.entries.push_back(std::move(entry));
        haveInfo = false;
        extGroup.clear();
    }
    return playlist;
}

} // namespace devservice

#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

// Reader for uploaded extended M3U / M3U8 playlists.
namespace devservice {

struct M3uEntry {
    std::string title;
    std::string url;
    std::string group; // "#EXTGRP:" of the entry, else its group-title, else empty
    std::string logo;  // tvg-logo
    std::string tvgId; // tvg-id
    bool adult = false;
};

struct M3uPlaylist {
    std::vector<M3uEntry> entries;
    std::vector<std::string> groups; // in order of first appearance; "Unsorted" for none
    std::size_t skippedLines = 0;    // addresses that are not absolute URLs, over-long lines
    bool truncated = false;          // more than maxEntries entries
};

// The attributes of an "#EXTINF:" line (key="value" pairs before the title)
// and its title: everything after the first comma outside quotes.
struct ExtInf {
    std::map<std::string, std::string> attributes; // keys in lower case
    std::string title;
};
ExtInf parseExtInf(const std::string &line);

// Parses playlist text (UTF-8, with or without byte-order mark, LF or CRLF).
// Entries need an absolute address ("scheme://..."); an entry without an
// "#EXTINF:" line is titled after its address. Titles are trimmed; an entry
// without a title takes its address. A group-title or tvg attribute that is
// not valid UTF-8 is dropped, an invalid title replaced by the address.
M3uPlaylist parseM3u(const std::string &text, std::size_t maxEntries = 100000);

// True when the text looks like an extended or plain M3U playlist.
bool looksLikeM3u(const std::string &text);

} // namespace devservice

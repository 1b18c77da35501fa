#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

// Programme data: a made-up but stable schedule for every EPG source, kept
// in the database for a window from two days back to five days ahead.
namespace devservice {

class Database;

struct Programme {
    std::int64_t start = 0; // UTC seconds
    std::int64_t stop = 0;
    std::string title;
    std::string description;
};

// Back-to-back programmes for one source, the first starting at `from`,
// until one reaches `until`. The same source, genre and start always give
// the same programme.
std::vector<Programme> scheduleFor(std::int64_t epgId, const std::string &genre, std::int64_t from,
                                   std::int64_t until);

inline constexpr std::int64_t epgPastSeconds = 2 * 24 * 3600;
inline constexpr std::int64_t epgAheadSeconds = 5 * 24 * 3600;

// Extends every source's programmes to cover [now - 2 days, now + 5 days
// and a day of slack] and drops programmes that ended before the window.
// Returns the number of programmes written.
std::size_t topUpProgrammes(Database &database, std::time_t now);

} // namespace devservice

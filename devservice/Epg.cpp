#include "Epg.h"

#include "Database.h"

#include <array>
#include <map>

namespace devservice {

namespace {

std::uint64_t mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

struct Genre {
    std::vector<int> minutes;
    std::vector<const char *> titles;
    const char *blurb;
};

const Genre &genreNamed(const std::string &name) {
    static const std::map<std::string, Genre> genres = {
        {"news",
         {{15, 30, 30, 60},
          {"Morning Headlines", "World Report", "Business Hour", "Weather Watch", "Evening News",
           "Новости дня", "Press Review", "Interview of the Day"},
          "The latest stories from home and abroad."}},
        {"sport",
         {{60, 90, 120},
          {"Match of the Day", "Champions Cup Live", "Tennis Open", "Racing Weekend",
           "Goals and Highlights", "Спорт сегодня", "Extreme Challenge", "Ringside"},
          "Live action, results and analysis."}},
        {"movies",
         {{90, 105, 120, 150},
          {"The Long Road", "Midnight Express Train", "City of Glass", "Summer Rain",
           "The Last Harbour", "Старый маяк", "Double Agent", "Westward"},
          "A feature film from the channel's library."}},
        {"kids",
         {{15, 25, 30},
          {"Rabbit Tales", "Space Pals", "Little Builders", "Ocean Friends", "Sing Along",
           "Сказки на ночь", "Dino Days", "Puzzle Club"},
          "Fun and learning for young viewers."}},
        {"music",
         {{60, 120},
          {"Top 40 Countdown", "Rock Classics", "Jazz at Night", "Dance Floor Fillers", "Unplugged",
           "Хиты недели", "Concert Hall", "Retro Mix"},
          "Non-stop music and live performances."}},
        {"docs",
         {{30, 45, 60},
          {"Wild Planet", "Ancient Cities", "How It Works", "Deep Ocean", "Great Journeys",
           "Тайны истории", "Inside the Machine", "Northern Lights"},
          "Documentary series about the world around us."}},
        {"night",
         {{60, 90},
          {"After Hours", "Velvet Lounge", "Late Show", "Night Stories", "Moonlight", "Полночь",
           "Slow Jazz", "Red Room"},
          "Late-night programming for adults."}},
    };
    const auto found = genres.find(name);
    return found != genres.end() ? found->second : genres.at("docs");
}

} // namespace

std::vector<Programme> scheduleFor(std::int64_t epgId, const std::string &genre, std::int64_t from,
                                   std::int64_t until) {
    const Genre &g = genreNamed(genre);
    std::vector<Programme> programmes;
    std::int64_t start = from;
    while (start < until) {
        const std::uint64_t h =
            mix(static_cast<std::uint64_t>(epgId) * 1000003ULL ^ static_cast<std::uint64_t>(start));
        const int minutes = g.minutes[h % g.minutes.size()];
        const char *title = g.titles[(h >> 16) % g.titles.size()];
        const int episode = static_cast<int>((h >> 32) % 200) + 1;
        Programme p;
        p.start = start;
        p.stop = start + minutes * 60;
        p.title = title;
        p.description =
            std::string(title) + ", episode " + std::to_string(episode) + ". " + g.blurb;
        programmes.push_back(std::move(p));
        start += minutes * 60;
    }
    return programmes;
}

std::size_t topUpProgrammes(Database &database, std::time_t now) {
    const std::int64_t windowStart = static_cast<std::int64_t>(now) - epgPastSeconds;
    const std::int64_t windowEnd = static_cast<std::int64_t>(now) + epgAheadSeconds + 24 * 3600;
    auto db = database.acquire();

    struct Source {
        std::int64_t id;
        std::string genre;
        std::int64_t lastStop; // 0 when it has no programmes
    };
    std::vector<Source> sources;
    {
        auto stmt = db->prepare("SELECT s.id, s.genre, COALESCE(MAX(p.stop), 0) FROM epg_sources s "
                                "LEFT JOIN epg_programmes p ON p.epg_id = s.id GROUP BY s.id");
        while (stmt.step())
            sources.push_back({stmt.integer(0), stmt.text(1), stmt.integer(2)});
    }

    std::size_t written = 0;
    Transaction tx(*db);
    db->prepare("DELETE FROM epg_programmes WHERE stop < ?").bind(1, windowStart).run();
    for (const Source &source : sources) {
        if (source.lastStop >= windowEnd)
            continue;
        std::int64_t from = source.lastStop;
        if (from < windowStart) {
            // A fresh source, or one whose schedule ran dry while the
            // service was stopped: start on the hour before the window.
            from = windowStart - windowStart % 3600;
        }
        auto insert = db->prepare("INSERT OR IGNORE INTO epg_programmes(epg_id, start, stop, "
                                  "title, descr) VALUES(?, ?, ?, ?, ?)");
        for (const Programme &p : scheduleFor(source.id, source.genre, from, windowEnd)) {
            insert.bind(1, source.id)
                .bind(2, p.start)
                .bind(3, p.stop)
                .bind(4, p.title)
                .bind(5, p.description);
            insert.run();
            ++written;
        }
    }
    tx.commit();
    return written;
}

} // namespace devservice

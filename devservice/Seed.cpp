#include "Seed.h"

#include "Crypto.h"
#include "Database.h"
#include "Store.h"
#include "TextUtil.h"

#include <cstdio>
#include <ctime>
#include <map>

namespace devservice {

namespace {

struct DemoChannel {
    const char *title;
    const char *clip;
    StreamKind kind;
    bool hasGuide; // false: "epg_id" 0, the client then searches the guide
    bool adult;
};

struct DemoGroup {
    const char *title;
    const char *genre;
    const char *colour;
    std::vector<DemoChannel> channels;
};

struct DemoPlaylist {
    const char *title;
    std::vector<DemoGroup> groups;
};

const std::vector<DemoPlaylist> &demoPlaylists() {
    using K = StreamKind;
    static const std::vector<DemoPlaylist> playlists = {
        {"Vantero TV",
         {{"News",
           "news",
           "0x1f5f9f",
           {{"Vantero News", "news", K::File, true, false},
            {"News 24 Live", "news", K::Live, true, false},
            {"World Report", "news", K::File, true, false},
            {"City 24", "news", K::File, true, false},
            {"Business Today", "news", K::File, true, false},
            {"Weather Now", "news", K::File, false, false},
            {"Parliament TV", "news", K::File, true, false},
            {"Morning Post", "news", K::File, true, false}}},
          {"Sport",
           "sport",
           "0x2e8b57",
           {{"Sport 1", "sport", K::File, true, false},
            {"Sport Live HD", "sport", K::Hls, true, false},
            {"Sport 2", "sport", K::File, true, false},
            {"Football Plus", "sport", K::File, true, false},
            {"Tennis World", "sport", K::File, true, false},
            {"Motor Racing", "sport", K::File, true, false},
            {"Extreme Sports", "sport", K::File, false, false},
            {"Fight Night", "sport", K::File, true, false}}},
          {"Movies",
           "movies",
           "0x8b1a1a",
           {{"Cinema One", "cinema", K::Tracks, true, false},
            {"Classic Movies", "movies", K::File, true, false},
            {"Action Hits", "movies", K::File, true, false},
            {"Comedy House", "movies", K::File, true, false},
            {"Drama Channel", "movies", K::File, true, false},
            {"Kino 2000", "movies", K::File, true, false},
            {"Late Night", "movies", K::File, true, true},
            {"Midnight Club", "movies", K::File, true, true}}},
          {"Kids",
           "kids",
           "0xe08a00",
           {{"Cartoon Time", "kids", K::File, true, false},
            {"Kids Planet", "kids", K::File, true, false},
            {"Junior", "kids", K::File, true, false},
            {"Fairy Tales", "kids", K::File, true, false},
            {"Science for Kids", "kids", K::File, true, false},
            {"Animal World", "kids", K::File, true, false},
            {"Toon Classics", "kids", K::File, true, false},
            {"Baby TV", "kids", K::File, false, false}}},
          {"Music",
           "music",
           "0x6a3d9a",
           {{"Music Box", "music", K::File, true, false},
            {"Hits 90", "music", K::File, true, false},
            {"Rock TV", "music", K::File, true, false},
            {"Jazz Lounge", "music", K::File, true, false},
            {"Classic Hall", "music", K::File, true, false},
            {"Dance Floor", "music", K::File, true, false},
            {"Retro 80", "music", K::File, true, false},
            {"Folk Songs", "music", K::File, false, false}}}}},
        {"Vantero Extra",
         {{"Documentary",
           "docs",
           "0x4f6f2f",
           {{"Discovery Lab", "docs", K::File, true, false},
            {"History 100", "docs", K::File, true, false},
            {"Nature HD", "docs", K::Hls, true, false},
            {"Travel Guide", "docs", K::File, true, false},
            {"Ocean Deep", "docs", K::File, false, false}}},
          {"Night",
           "night",
           "0x3a3a3a",
           {{"After Dark", "movies", K::File, true, true},
            {"Velvet", "movies", K::File, true, true},
            {"Night Movies", "movies", K::Live, true, false},
            {"Chill Out", "music", K::File, false, false},
            {"Slow Radio", "music", K::File, true, false}}}}},
    };
    return playlists;
}

// Ids of the demo programme-guide sources start here, so that they never
// look like channel ids.
constexpr std::int64_t firstDemoEpgId = 101;
constexpr std::int64_t firstBenchmarkEpgId = 100001;
constexpr int maxBenchmarkEpgSources = 1000;

std::string logoLabel(const std::string &title) {
    std::string label;
    std::size_t i = 0;
    while (i < title.size()) {
        while (i < title.size() && title[i] == ' ')
            ++i;
        const std::size_t start = i;
        while (i < title.size() && title[i] != ' ')
            ++i;
        if (start == i)
            break;
        const std::string word = title.substr(start, i - start);
        label += isAllDigits(word) ? word : word.substr(0, 1);
    }
    return label.substr(0, 5);
}

std::string streamPath(const DemoChannel &channel) {
    switch (channel.kind) {
    case StreamKind::Live:
        return std::string(mediaPrefix) + "/live/" + channel.clip + ".ts";
    case StreamKind::Hls:
        return std::string(mediaPrefix) + "/hls/" + channel.clip + "/index.m3u8";
    case StreamKind::Tracks:
        return std::string(mediaPrefix) + "/media/" + channel.clip + ".mkv";
    case StreamKind::File:
        break;
    }
    return std::string(mediaPrefix) + "/media/" + channel.clip + ".ts";
}

std::string logoPath(const std::string &title) {
    return std::string(webPrefix) + "/logos/" + slugify(title) + ".png";
}

std::string playlistLink(std::int64_t playlistId) {
    return std::string(webPrefix) + "/playlists/" + std::to_string(playlistId) + ".m3u";
}

std::string metaValue(Connection &db, const std::string &key) {
    auto stmt = db.prepare("SELECT value FROM meta WHERE key = ?");
    stmt.bind(1, key);
    return stmt.step() ? stmt.text(0) : std::string();
}

void setMeta(Connection &db, const std::string &key, const std::string &value) {
    db.prepare("INSERT OR REPLACE INTO meta(key, value) VALUES(?, ?)")
        .bind(1, key)
        .bind(2, value)
        .run();
}

std::int64_t insertGroup(Connection &db, std::int64_t playlistId, int position,
                         const std::string &title) {
    db.prepare("INSERT INTO channel_groups(playlist_id, position, title) VALUES(?, ?, ?)")
        .bind(1, playlistId)
        .bind(2, position)
        .bind(3, title)
        .run();
    return db.lastInsertId();
}

void insertChannel(Connection &db, std::int64_t playlistId, int position, const std::string &title,
                   std::int64_t groupId, const std::string &href, const std::string &pict,
                   std::int64_t epgId, bool adult) {
    db.prepare("INSERT INTO channels(playlist_id, position, title, group_id, href, pict, epg_id, "
               "adult) VALUES(?, ?, ?, ?, ?, ?, ?, ?)")
        .bind(1, playlistId)
        .bind(2, position)
        .bind(3, title)
        .bind(4, groupId)
        .bind(5, href)
        .bind(6, pict)
        .bind(7, epgId)
        .bind(8, adult ? 1 : 0)
        .run();
}

} // namespace

const std::vector<DemoClip> &demoClips() {
    static const std::vector<DemoClip> clips = {
        {"news", "Vantero News", 440, "testsrc2"},
        {"sport", "Vantero Sport", 523, "smptehdbars"},
        {"movies", "Vantero Movies", 587, "testsrc"},
        {"kids", "Vantero Kids", 659, "rgbtestsrc"},
        {"music", "Vantero Music", 698, "smptebars"},
        {"docs", "Vantero Docs", 784, "yuvtestsrc"},
        {"cinema", "Vantero Cinema", 554, "testsrc", true},
    };
    return clips;
}

const std::vector<DemoLogo> &demoLogos() {
    static const std::vector<DemoLogo> logos = [] {
        std::vector<DemoLogo> list;
        for (const DemoPlaylist &playlist : demoPlaylists()) {
            for (const DemoGroup &group : playlist.groups) {
                for (const DemoChannel &channel : group.channels)
                    list.push_back(
                        {slugify(channel.title), logoLabel(channel.title), group.colour});
            }
        }
        return list;
    }();
    return logos;
}

const std::vector<DemoAccount> &demoAccounts() {
    static const std::vector<DemoAccount> accounts = {
        {"email", "demo@vantero.test", "demo1234", "Demo User"},
        {"phone", "79001234567", "demo1234", "Demo Phone"},
        {"name", "demo", "demo1234", "Demo"},
    };
    return accounts;
}

bool seedDemoData(Database &database) {
    auto db = database.acquire();
    if (metaValue(*db, "demo_seeded") == "1")
        return false;
    const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
    Transaction tx(*db);

    // Programme-guide sources, one per channel that has a guide.
    std::map<std::string, std::int64_t> epgIds;
    std::int64_t nextEpgId = firstDemoEpgId;
    for (const DemoPlaylist &playlist : demoPlaylists()) {
        for (const DemoGroup &group : playlist.groups) {
            for (const DemoChannel &channel : group.channels) {
                if (!channel.hasGuide)
                    continue;
                db->prepare("INSERT OR REPLACE INTO epg_sources(id, name, genre) VALUES(?, ?, ?)")
                    .bind(1, nextEpgId)
                    .bind(2, channel.title)
                    .bind(3, group.genre)
                    .run();
                epgIds[channel.title] = nextEpgId++;
            }
        }
    }

    for (const DemoAccount &account : demoAccounts()) {
        db->prepare("INSERT INTO accounts(kind, login, display_name, password_hash, created_at) "
                    "VALUES(?, ?, ?, ?, ?)")
            .bind(1, account.kind)
            .bind(2, account.login)
            .bind(3, account.displayName)
            .bind(4, hashPassword(account.password))
            .bind(5, now)
            .run();
        const std::int64_t accountId = db->lastInsertId();
        db->prepare("INSERT INTO devices(account_id, name, platform, device_key, created_at) "
                    "VALUES(?, ?, ?, ?, ?)")
            .bind(1, accountId)
            .bind(2, std::string("Demo PC"))
            .bind(3, std::string(demoPlatform))
            .bind(4, randomHex(16))
            .bind(5, now)
            .run();
        const std::int64_t deviceId = db->lastInsertId();

        for (const DemoPlaylist &playlist : demoPlaylists()) {
            db->prepare("INSERT INTO playlists(device_id, title, source, created_at) "
                        "VALUES(?, ?, ?, ?)")
                .bind(1, deviceId)
                .bind(2, std::string(playlist.title))
                .bind(3, std::string())
                .bind(4, now)
                .run();
            const std::int64_t playlistId = db->lastInsertId();
            // The playlist can be fetched as M3U from there (a direct link).
            db->prepare("UPDATE playlists SET source = ? WHERE id = ?")
                .bind(1, playlistLink(playlistId))
                .bind(2, playlistId)
                .run();
            int groupPosition = 0;
            int channelPosition = 0;
            for (const DemoGroup &group : playlist.groups) {
                const std::int64_t groupId =
                    insertGroup(*db, playlistId, groupPosition++, group.title);
                for (const DemoChannel &channel : group.channels) {
                    const auto epg = epgIds.find(channel.title);
                    insertChannel(*db, playlistId, channelPosition++, channel.title, groupId,
                                  streamPath(channel), logoPath(channel.title),
                                  epg == epgIds.end() ? 0 : epg->second, channel.adult);
                }
            }
        }
    }
    setMeta(*db, "demo_seeded", "1");
    tx.commit();
    return true;
}

std::int64_t seedBenchmarkPlaylist(Database &database, int count) {
    auto db = database.acquire();
    const std::string title = "Benchmark " + std::to_string(count);
    std::int64_t deviceId = 0;
    {
        auto stmt = db->prepare("SELECT d.id FROM devices d JOIN accounts a ON a.id = d.account_id "
                                "WHERE a.login = ? ORDER BY d.id LIMIT 1");
        stmt.bind(1, demoAccounts().front().login);
        if (!stmt.step())
            throw DatabaseError("the demo account has no device");
        deviceId = stmt.integer(0);
    }
    {
        auto stmt = db->prepare("SELECT id FROM playlists WHERE device_id = ? AND title = ?");
        stmt.bind(1, deviceId).bind(2, title);
        if (stmt.step())
            return stmt.integer(0);
    }

    static const char *const genres[] = {"news", "sport", "movies", "kids", "music", "docs"};
    const int sources = count < maxBenchmarkEpgSources ? count : maxBenchmarkEpgSources;
    const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
    Transaction tx(*db);
    for (int i = 0; i < sources; ++i) {
        db->prepare("INSERT OR IGNORE INTO epg_sources(id, name, genre) VALUES(?, ?, ?)")
            .bind(1, firstBenchmarkEpgId + i)
            .bind(2, "Bench EPG " + std::to_string(i + 1))
            .bind(3, std::string(genres[i % 6]))
            .run();
    }
    db->prepare("INSERT INTO playlists(device_id, title, source, created_at) VALUES(?, ?, ?, ?)")
        .bind(1, deviceId)
        .bind(2, title)
        .bind(3, std::string())
        .bind(4, now)
        .run();
    const std::int64_t playlistId = db->lastInsertId();
    db->prepare("UPDATE playlists SET source = ? WHERE id = ?")
        .bind(1, playlistLink(playlistId))
        .bind(2, playlistId)
        .run();

    const int groupCount = count < 20 ? (count > 0 ? count : 1) : 20;
    std::vector<std::int64_t> groupIds;
    for (int g = 0; g < groupCount; ++g)
        groupIds.push_back(insertGroup(*db, playlistId, g, "Block " + std::to_string(g + 1)));

    // The benchmark streams are the plain MPEG-TS clips.
    std::vector<DemoClip> clips;
    for (const DemoClip &clip : demoClips()) {
        if (!clip.tracks)
            clips.push_back(clip);
    }
    const auto &logos = demoLogos();
    const int perGroup = (count + groupCount - 1) / groupCount;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Channel %06d", i + 1);
        // Every 25th channel has no guide id, so the client searches for it.
        const std::int64_t epgId = (i % 25 == 24) ? 0 : firstBenchmarkEpgId + i % sources;
        insertChannel(*db, playlistId, i, name, groupIds[static_cast<std::size_t>(i / perGroup)],
                      std::string(mediaPrefix) + "/media/" + clips[i % clips.size()].name + ".ts",
                      std::string(webPrefix) + "/logos/" + logos[i % logos.size()].slug + ".png",
                      epgId, i % 50 == 7);
    }
    tx.commit();
    return playlistId;
}

std::string demoCredentialsText() {
    std::string text = "Demo accounts (password, then the login kind):\n";
    for (const DemoAccount &account : demoAccounts()) {
        char line[160];
        std::snprintf(line, sizeof line, "  %-20s %-10s %s\n", account.login.c_str(),
                      account.password.c_str(),
                      account.kind == "email"   ? "e-mail"
                      : account.kind == "phone" ? "phone (also +7 900 123-45-67)"
                                                : "plain name");
        text += line;
    }
    text += "  Each has the device \"Demo PC\" (platform \"xcb\") with the playlists "
            "\"Vantero TV\" and \"Vantero Extra\".";
    return text;
}

} // namespace devservice

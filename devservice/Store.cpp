#include "Store.h"

#include "Crypto.h"
#include "Epg.h"
#include "Log.h"
#include "TextUtil.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>

namespace devservice {

namespace {

constexpr std::size_t maxDeviceNameChars = 64;
constexpr std::size_t maxPlatformBytes = 32;
constexpr int maxDevicesPerAccount = 100;
constexpr std::size_t maxOptionNameBytes = 128;
constexpr std::size_t maxOptionValueBytes = 256 * 1024;
constexpr int maxOptionsPerDevice = 1000;
constexpr std::size_t maxUserNameChars = 64;
constexpr std::size_t maxPasswordBytes = 128;
constexpr std::size_t maxSearchBytes = 100;
constexpr int maxSearchResults = 20;

// Kept so that a late call with an expired token is told so, rather than
// that the token is unknown.
constexpr std::int64_t expiredSessionGrace = 24 * 3600;

std::int64_t now() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

Json signUpAnswer(const std::string &error) {
    return Json{{"Error", error}, {"Result", error.empty() ? "OK" : ""}};
}

bool validPlatform(const std::string &platform) {
    if (platform.empty() || platform.size() > maxPlatformBytes)
        return false;
    return std::all_of(platform.begin(), platform.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_' || c == '-' || c == '.';
    });
}

bool accountExists(Connection &db, const std::string &login) {
    auto stmt = db.prepare("SELECT 1 FROM accounts WHERE login = ?");
    stmt.bind(1, login);
    return stmt.step();
}

std::string likePattern(const std::string &text) {
    std::string pattern = "%";
    for (const char c : text) {
        if (c == '%' || c == '_' || c == '\\')
            pattern += '\\';
        pattern += c;
    }
    return pattern + "%";
}

} // namespace

Store::Store(Database &database, StoreSettings settings)
    : m_database(database)
    , m_settings(std::move(settings)) {}

void Store::setPublicAddresses(const PublicAddresses &addresses) {
    m_addresses = addresses;
}

void Store::setSmsSender(std::function<void(const std::string &, int)> sender) {
    m_smsSender = std::move(sender);
}

std::string Store::expand(const std::string &stored) const {
    if (startsWith(stored, webPrefix))
        return m_addresses.web + stored.substr(sizeof webPrefix - 1);
    if (startsWith(stored, mediaPrefix))
        return m_addresses.media + stored.substr(sizeof mediaPrefix - 1);
    return stored;
}

std::int64_t Store::requireDevice(const Session &session) const {
    if (session.deviceId == 0)
        throw ServiceError("Device not registered");
    return session.deviceId;
}

std::string Store::login(const std::string &user, const std::string &password,
                         const std::string &deviceKey) {
    const std::string name = trim(user);
    auto db = m_database.acquire();
    std::int64_t accountId = 0;
    std::string hash;
    auto find = [&](const std::string &login, bool phoneOnly) {
        auto stmt = db->prepare(phoneOnly ? "SELECT id, password_hash FROM accounts "
                                            "WHERE login = ? AND kind = 'phone'"
                                          : "SELECT id, password_hash FROM accounts "
                                            "WHERE login = ?");
        stmt.bind(1, login);
        if (stmt.step()) {
            accountId = stmt.integer(0);
            hash = stmt.text(1);
        }
    };
    if (!name.empty())
        find(name, false);
    // Phone accounts answer to their number however it is written: the
    // sign-in page sends "+7 900 ..." as typed, the sign-up sent digits.
    const std::string phone = normalisePhone(name);
    if (accountId == 0 && !phone.empty() && phone != name)
        find(phone, true);
    if (accountId == 0 || !verifyPassword(password, hash))
        throw ServiceError("Wrong login or password");

    std::int64_t deviceId = 0;
    if (!deviceKey.empty()) {
        auto stmt = db->prepare("SELECT id FROM devices WHERE device_key = ? AND account_id = ?");
        stmt.bind(1, deviceKey).bind(2, accountId);
        if (stmt.step())
            deviceId = stmt.integer(0);
        else
            logWarning("login of account " + std::to_string(accountId) +
                       " with a device key it does not own; the session has no device");
    }

    const std::string token = randomHex(24);
    const std::int64_t t = now();
    Transaction tx(*db);
    db->prepare("DELETE FROM sessions WHERE expires_at < ?").bind(1, t - expiredSessionGrace).run();
    auto insert = db->prepare("INSERT INTO sessions(token, account_id, device_id, created_at, "
                              "expires_at) VALUES(?, ?, ?, ?, ?)");
    insert.bind(1, token).bind(2, accountId);
    if (deviceId != 0)
        insert.bind(3, deviceId);
    else
        insert.bindNull(3);
    insert.bind(4, t).bind(5, t + m_settings.tokenLifetime);
    insert.run();
    tx.commit();
    return token;
}

Session Store::authenticate(const std::string &token) {
    if (token.empty() || token.size() > 128)
        throw ServiceError("Invalid token");
    auto db = m_database.acquire();
    auto stmt =
        db->prepare("SELECT account_id, device_id, expires_at FROM sessions WHERE token = ?");
    stmt.bind(1, token);
    if (!stmt.step())
        throw ServiceError("Invalid token");
    if (stmt.integer(2) <= now())
        throw ServiceError("Token expired");
    Session session;
    session.accountId = stmt.integer(0);
    session.deviceId = stmt.isNull(1) ? 0 : stmt.integer(1);
    return session;
}

void Store::logout(const std::string &token) {
    authenticate(token);
    auto db = m_database.acquire();
    db->prepare("DELETE FROM sessions WHERE token = ?").bind(1, token).run();
}

Json Store::devices(const Session &session, const std::string &platform) {
    Json list = Json::array();
    auto db = m_database.acquire();
    auto stmt = db->prepare("SELECT id, name, device_key, platform, created_at FROM devices "
                            "WHERE account_id = ? AND platform = ? ORDER BY id");
    stmt.bind(1, session.accountId).bind(2, platform);
    while (stmt.step()) {
        list.push_back({{"id", stmt.integer(0)},
                        {"name", stmt.text(1)},
                        {"key", stmt.text(2)},
                        {"platform", stmt.text(3)},
                        {"created", formatUtc(static_cast<std::time_t>(stmt.integer(4)))}});
    }
    return list;
}

std::string Store::registerDevice(const Session &session, const std::string &name,
                                  const std::string &platform) {
    const std::string trimmed = trim(name);
    if (trimmed.empty() || !isValidUtf8(name) || hasControlCharacters(name) ||
        utf8Length(name) > maxDeviceNameChars)
        throw ServiceError("Invalid device name");
    if (!validPlatform(platform))
        throw ServiceError("Invalid platform");
    auto db = m_database.acquire();
    Transaction tx(*db);
    {
        auto count = db->prepare("SELECT COUNT(*) FROM devices WHERE account_id = ?");
        count.bind(1, session.accountId);
        count.step();
        if (count.integer(0) >= maxDevicesPerAccount)
            throw ServiceError("Too many devices");
    }
    const std::string key = randomHex(16);
    // The name is kept exactly as sent: the client compares it as typed.
    db->prepare("INSERT INTO devices(account_id, name, platform, device_key, created_at) "
                "VALUES(?, ?, ?, ?, ?)")
        .bind(1, session.accountId)
        .bind(2, name)
        .bind(3, platform)
        .bind(4, key)
        .bind(5, now())
        .run();
    tx.commit();
    return key;
}

Json Store::playlists(const Session &session) {
    Json list = Json::array();
    if (session.deviceId == 0)
        return list;
    auto db = m_database.acquire();
    auto stmt = db->prepare("SELECT p.id, p.title, p.source, p.created_at, "
                            "(SELECT COUNT(*) FROM channels c WHERE c.playlist_id = p.id) "
                            "FROM playlists p WHERE p.device_id = ? ORDER BY p.id");
    stmt.bind(1, session.deviceId);
    while (stmt.step()) {
        list.push_back({{"id", stmt.integer(0)},
                        {"title", stmt.text(1)},
                        {"name", stmt.text(1)},
                        {"source", expand(stmt.text(2))},
                        {"channels", stmt.integer(4)},
                        {"created", formatUtc(static_cast<std::time_t>(stmt.integer(3)))}});
    }
    return list;
}

void Store::deletePlaylist(const Session &session, std::int64_t playlistId) {
    const std::int64_t deviceId = requireDevice(session);
    {
        auto db = m_database.acquire();
        Transaction tx(*db);
        db->prepare("DELETE FROM playlists WHERE id = ? AND device_id = ?")
            .bind(1, playlistId)
            .bind(2, deviceId)
            .run();
        if (db->changes() == 0)
            throw ServiceError("Playlist not found");
        tx.commit();
    }
    if (!m_settings.uploadsDir.empty()) {
        std::error_code ec;
        std::filesystem::remove(m_settings.uploadsDir + "/" + std::to_string(playlistId) + ".m3u",
                                ec);
    }
}

std::string Store::channels(const Session &session, std::int64_t playlistId) {
    auto db = m_database.acquire();
    {
        // Any playlist of the account: the stored choice of a playlist may
        // come from another of the user's devices.
        auto owner = db->prepare("SELECT 1 FROM playlists p JOIN devices d ON d.id = p.device_id "
                                 "WHERE p.id = ? AND d.account_id = ?");
        owner.bind(1, playlistId).bind(2, session.accountId);
        if (!owner.step())
            throw ServiceError("Playlist not found");
    }
    // Written out directly: a playlist may hold a hundred thousand channels,
    // and a document tree of them costs seconds.
    std::string text = "[";
    auto stmt = db->prepare("SELECT id, title, group_id, href, pict, epg_id, adult, position "
                            "FROM channels WHERE playlist_id = ? ORDER BY position");
    stmt.bind(1, playlistId);
    while (stmt.step()) {
        if (text.size() > 1)
            text += ',';
        text += "{\"adult\":";
        text += stmt.integer(6) != 0 ? "true" : "false";
        text += ",\"epg_id\":" + std::to_string(stmt.integer(5));
        text += ",\"group_id\":" + std::to_string(stmt.integer(2));
        text += ",\"href\":";
        appendJsonString(text, expand(stmt.text(3)));
        text += ",\"id\":" + std::to_string(stmt.integer(0));
        text += ",\"order\":" + std::to_string(stmt.integer(7));
        text += ",\"pict\":";
        appendJsonString(text, expand(stmt.text(4)));
        text += ",\"title\":";
        appendJsonString(text, stmt.text(1));
        text += '}';
    }
    return text + "]";
}

Json Store::groups(const Session &session) {
    Json list = Json::array();
    auto db = m_database.acquire();
    auto stmt = db->prepare("SELECT g.id, g.title, g.playlist_id FROM channel_groups g "
                            "JOIN playlists p ON p.id = g.playlist_id "
                            "JOIN devices d ON d.id = p.device_id "
                            "WHERE d.account_id = ? ORDER BY p.id, g.position");
    stmt.bind(1, session.accountId);
    while (stmt.step()) {
        list.push_back(
            {{"id", stmt.integer(0)}, {"title", stmt.text(1)}, {"playlist_id", stmt.integer(2)}});
    }
    return list;
}

std::string Store::newUploadHash(const Session &session) {
    const std::int64_t deviceId = requireDevice(session);
    const std::string hash = randomHex(16);
    const std::int64_t t = now();
    auto db = m_database.acquire();
    Transaction tx(*db);
    db->prepare("DELETE FROM upload_hashes WHERE expires_at < ?").bind(1, t).run();
    db->prepare("INSERT INTO upload_hashes(hash, account_id, device_id, expires_at) "
                "VALUES(?, ?, ?, ?)")
        .bind(1, hash)
        .bind(2, session.accountId)
        .bind(3, deviceId)
        .bind(4, t + m_settings.uploadHashLifetime)
        .run();
    tx.commit();
    return hash;
}

Session Store::consumeUploadHash(const std::string &hash) {
    auto db = m_database.acquire();
    Transaction tx(*db);
    auto stmt = db->prepare("DELETE FROM upload_hashes WHERE hash = ? "
                            "RETURNING account_id, device_id, expires_at");
    stmt.bind(1, hash);
    if (!stmt.step())
        throw ServiceError("Invalid upload hash");
    Session session;
    session.accountId = stmt.integer(0);
    session.deviceId = stmt.integer(1);
    const bool expired = stmt.integer(2) < now();
    stmt.run();
    tx.commit();
    if (expired)
        throw ServiceError("Upload hash expired");
    return session;
}

std::int64_t Store::addPlaylist(std::int64_t deviceId, const std::string &title,
                                const M3uPlaylist &playlist) {
    auto db = m_database.acquire();
    Transaction tx(*db);
    db->prepare("INSERT INTO playlists(device_id, title, source, created_at) VALUES(?, ?, ?, ?)")
        .bind(1, deviceId)
        .bind(2, title)
        .bind(3, std::string())
        .bind(4, now())
        .run();
    const std::int64_t playlistId = db->lastInsertId();
    db->prepare("UPDATE playlists SET source = ? WHERE id = ?")
        .bind(1, std::string(webPrefix) + "/playlists/" + std::to_string(playlistId) + ".m3u")
        .bind(2, playlistId)
        .run();

    std::map<std::string, std::int64_t> groupIds;
    int position = 0;
    for (const std::string &group : playlist.groups) {
        db->prepare("INSERT INTO channel_groups(playlist_id, position, title) VALUES(?, ?, ?)")
            .bind(1, playlistId)
            .bind(2, position++)
            .bind(3, group)
            .run();
        groupIds[group] = db->lastInsertId();
    }

    std::map<std::string, std::int64_t> epgByName;
    auto epgFor = [&](const std::string &tvgId) -> std::int64_t {
        if (tvgId.empty())
            return 0;
        if (isAllDigits(tvgId) && tvgId.size() <= 9)
            return std::stoll(tvgId);
        const auto known = epgByName.find(tvgId);
        if (known != epgByName.end())
            return known->second;
        auto lookup = db->prepare("SELECT id FROM epg_sources WHERE name = ? COLLATE NOCASE");
        lookup.bind(1, tvgId);
        const std::int64_t id = lookup.step() ? lookup.integer(0) : 0;
        epgByName[tvgId] = id;
        return id;
    };

    position = 0;
    for (const M3uEntry &entry : playlist.entries) {
        const bool webLogo =
            startsWith(entry.logo, "http://") || startsWith(entry.logo, "https://");
        const std::int64_t epgId = epgFor(entry.tvgId);
        db->prepare("INSERT INTO channels(playlist_id, position, title, group_id, href, pict, "
                    "epg_id, adult) VALUES(?, ?, ?, ?, ?, ?, ?, ?)")
            .bind(1, playlistId)
            .bind(2, position++)
            .bind(3, entry.title)
            .bind(4, groupIds.at(entry.group))
            .bind(5, entry.url)
            .bind(6, webLogo ? entry.logo : std::string())
            .bind(7, epgId)
            .bind(8, entry.adult ? 1 : 0)
            .run();
    }
    tx.commit();
    return playlistId;
}

std::string Store::exportM3u(std::int64_t playlistId) {
    auto db = m_database.acquire();
    {
        auto exists = db->prepare("SELECT 1 FROM playlists WHERE id = ?");
        exists.bind(1, playlistId);
        if (!exists.step())
            throw ServiceError("Playlist not found");
    }
    auto attribute = [](std::string value) {
        // Quotes would end the attribute early.
        for (char &c : value) {
            if (c == '"')
                c = '\'';
        }
        return value;
    };
    std::string text = "#EXTM3U\n";
    auto stmt = db->prepare("SELECT c.title, c.href, c.pict, c.epg_id, c.adult, g.title "
                            "FROM channels c JOIN channel_groups g ON g.id = c.group_id "
                            "WHERE c.playlist_id = ? ORDER BY c.position");
    stmt.bind(1, playlistId);
    while (stmt.step()) {
        text += "#EXTINF:-1";
        if (stmt.integer(3) != 0)
            text += " tvg-id=\"" + std::to_string(stmt.integer(3)) + "\"";
        const std::string logo = expand(stmt.text(2));
        if (!logo.empty())
            text += " tvg-logo=\"" + attribute(logo) + "\"";
        text += " group-title=\"" + attribute(stmt.text(5)) + "\"";
        if (stmt.integer(4) != 0)
            text += " adult=\"1\"";
        text += "," + stmt.text(0) + "\n";
        text += expand(stmt.text(1)) + "\n";
    }
    return text;
}

Json Store::registerBySms(const std::string &name, const std::string &phone,
                          const std::string &password) {
    const std::string digits = normalisePhone(phone);
    if (digits.size() < 10 || digits.size() > 15)
        return signUpAnswer("Telephone format invalid");
    const std::string trimmedName = trim(name);
    if (!isValidUtf8(trimmedName) || hasControlCharacters(trimmedName))
        return signUpAnswer("Username format invalid");
    if (utf8Length(trimmedName) < 3)
        return signUpAnswer("Username length is small");
    if (utf8Length(trimmedName) > maxUserNameChars)
        return signUpAnswer("Username length is big");
    if (password.empty())
        return signUpAnswer("Password is empty");
    if (password.size() > maxPasswordBytes)
        return signUpAnswer("Password is too long");

    const int code = static_cast<int>(randomBetween(100000, 999999));
    const std::string hash = hashPassword(password);
    {
        auto db = m_database.acquire();
        Transaction tx(*db);
        if (accountExists(*db, digits))
            return signUpAnswer("Already exist telephone");
        db->prepare("INSERT OR REPLACE INTO pending_signups(phone, name, password_hash, code, "
                    "attempts, expires_at) VALUES(?, ?, ?, ?, 0, ?)")
            .bind(1, digits)
            .bind(2, trimmedName)
            .bind(3, hash)
            .bind(4, code)
            .bind(5, now() + m_settings.signUpCodeLifetime)
            .run();
        tx.commit();
    }
    if (m_smsSender)
        m_smsSender(digits, code);
    return signUpAnswer("");
}

Json Store::verifyCode(const std::string &phone, std::int64_t code) {
    const std::string digits = normalisePhone(phone);
    auto db = m_database.acquire();
    Transaction tx(*db);
    std::string name;
    std::string hash;
    std::int64_t storedCode = 0;
    std::int64_t attempts = 0;
    std::int64_t expires = 0;
    {
        auto stmt = db->prepare("SELECT name, password_hash, code, attempts, expires_at "
                                "FROM pending_signups WHERE phone = ?");
        stmt.bind(1, digits);
        if (!stmt.step())
            return signUpAnswer("Invalid check code");
        name = stmt.text(0);
        hash = stmt.text(1);
        storedCode = stmt.integer(2);
        attempts = stmt.integer(3);
        expires = stmt.integer(4);
    }
    if (expires < now()) {
        db->prepare("DELETE FROM pending_signups WHERE phone = ?").bind(1, digits).run();
        tx.commit();
        return signUpAnswer("Invalid check code");
    }
    if (code != storedCode) {
        // A few wrong guesses end the sign-up; the user asks for a new code.
        if (attempts + 1 >= m_settings.maxCodeAttempts)
            db->prepare("DELETE FROM pending_signups WHERE phone = ?").bind(1, digits).run();
        else
            db->prepare("UPDATE pending_signups SET attempts = attempts + 1 WHERE phone = ?")
                .bind(1, digits)
                .run();
        tx.commit();
        return signUpAnswer("Invalid check code");
    }
    if (accountExists(*db, digits))
        return signUpAnswer("Already exist telephone");
    db->prepare("INSERT INTO accounts(kind, login, display_name, password_hash, created_at) "
                "VALUES('phone', ?, ?, ?, ?)")
        .bind(1, digits)
        .bind(2, name)
        .bind(3, hash)
        .bind(4, now())
        .run();
    db->prepare("DELETE FROM pending_signups WHERE phone = ?").bind(1, digits).run();
    tx.commit();
    logInfo("new phone account +" + digits + " (" + forLog(name) + ")");
    return signUpAnswer("");
}

void Store::setDeviceOption(const Session &session, const std::string &name,
                            const std::string &value) {
    const std::int64_t deviceId = requireDevice(session);
    if (name.empty() || name.size() > maxOptionNameBytes || !isValidUtf8(name) ||
        hasControlCharacters(name))
        throw ServiceError("Invalid option name");
    if (value.size() > maxOptionValueBytes)
        throw ServiceError("Option value too long");
    auto db = m_database.acquire();
    Transaction tx(*db);
    {
        auto count = db->prepare("SELECT COUNT(*) FROM device_options WHERE device_id = ? "
                                 "AND name <> ?");
        count.bind(1, deviceId).bind(2, name);
        count.step();
        if (count.integer(0) >= maxOptionsPerDevice)
            throw ServiceError("Too many device options");
    }
    db->prepare("INSERT INTO device_options(device_id, name, value, updated_at) "
                "VALUES(?, ?, ?, ?) ON CONFLICT(device_id, name) DO UPDATE SET "
                "value = excluded.value, updated_at = excluded.updated_at")
        .bind(1, deviceId)
        .bind(2, name)
        .bind(3, value)
        .bind(4, now())
        .run();
    tx.commit();
}

std::string Store::deviceOption(const Session &session, const std::string &name) {
    const std::int64_t deviceId = requireDevice(session);
    auto db = m_database.acquire();
    auto stmt = db->prepare("SELECT value FROM device_options WHERE device_id = ? AND name = ?");
    stmt.bind(1, deviceId).bind(2, name);
    return stmt.step() ? stmt.text(0) : std::string();
}

Json Store::programmes(std::int64_t epgId, std::int64_t days) {
    if (days < 1 || days > 31)
        throw ServiceError("Invalid params: the day count must lie between 1 and 31");
    const std::int64_t from = now() - epgPastSeconds;
    const std::int64_t until = from + days * 24 * 3600;
    Json list = Json::array();
    auto db = m_database.acquire();
    auto stmt = db->prepare("SELECT start, stop, title, descr FROM epg_programmes "
                            "WHERE epg_id = ? AND stop > ? AND start < ? ORDER BY start");
    stmt.bind(1, epgId).bind(2, from).bind(3, until);
    while (stmt.step()) {
        list.push_back({{"start", formatUtc(static_cast<std::time_t>(stmt.integer(0)))},
                        {"stop", formatUtc(static_cast<std::time_t>(stmt.integer(1)))},
                        {"title", stmt.text(2)},
                        {"desc", stmt.text(3)}});
    }
    return list;
}

Json Store::findEpg(const std::string &text) {
    const std::string wanted = trim(text);
    Json list = Json::array();
    if (wanted.empty() || wanted.size() > maxSearchBytes || !isValidUtf8(wanted))
        return list;
    struct Candidate {
        std::int64_t id;
        std::string name;
        int weight;
    };
    std::vector<Candidate> found;
    {
        auto db = m_database.acquire();
        auto stmt = db->prepare("SELECT id, name FROM epg_sources WHERE name LIKE ? ESCAPE '\\'");
        stmt.bind(1, likePattern(wanted));
        const std::string lowerWanted = toLowerAscii(wanted);
        while (stmt.step()) {
            Candidate c{stmt.integer(0), stmt.text(1), 50};
            const std::string lowerName = toLowerAscii(c.name);
            if (lowerName == lowerWanted)
                c.weight = 100;
            else if (startsWith(lowerName, lowerWanted))
                c.weight = 80;
            found.push_back(std::move(c));
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const Candidate &a, const Candidate &b) {
        if (a.weight != b.weight)
            return a.weight > b.weight;
        return a.id < b.id;
    });
    for (const Candidate &c : found) {
        if (static_cast<int>(list.size()) >= maxSearchResults)
            break;
        list.push_back({{"id", c.id}, {"name", c.name}, {"weight", c.weight}});
    }
    return list;
}

} // namespace devservice

#pragma once

#include "Database.h"
#include "M3u.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <ctime>
#include <functional>
#include <stdexcept>
#include <string>

// The service's domain: accounts, sessions, devices, playlists, channels,
// device options, programme data, upload hashes and sign-up by SMS, on top
// of the database. Every operation is safe to call from any worker thread.
namespace devservice {

using Json = nlohmann::json;

// A failure that goes back to the client as the reply's "error" text.
class ServiceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The account and device a session token was issued for.
struct Session {
    std::int64_t accountId = 0;
    std::int64_t deviceId = 0; // 0: signed in without a known device key
};

// Where the stored relative addresses of streams and logos point to; set
// once the servers have their ports.
struct PublicAddresses {
    std::string web;   // "https://127.0.0.1:<port>"
    std::string media; // "http://127.0.0.1:<port>"
};

// Stored addresses start with one of these and are completed per reply, so
// that a restart on other ports keeps every channel playable.
inline constexpr char webPrefix[] = "{web}";
inline constexpr char mediaPrefix[] = "{media}";

struct StoreSettings {
    std::int64_t tokenLifetime = 3600;     // seconds
    std::int64_t uploadHashLifetime = 600; // seconds
    std::int64_t signUpCodeLifetime = 900; // seconds
    int maxCodeAttempts = 5;               // wrong codes before a sign-up is dropped
    std::string uploadsDir;                // copies of uploaded playlist files
};

class Store {
public:
    Store(Database &database, StoreSettings settings);

    void setPublicAddresses(const PublicAddresses &addresses);
    // Called with the digits-only phone number and the code of every sign-up.
    void setSmsSender(std::function<void(const std::string &, int)> sender);

    std::string login(const std::string &user, const std::string &password,
                      const std::string &deviceKey);
    Session authenticate(const std::string &token);
    void logout(const std::string &token);

    Json devices(const Session &session, const std::string &platform);
    std::string registerDevice(const Session &session, const std::string &name,
                               const std::string &platform);

    Json playlists(const Session &session);
    void deletePlaylist(const Session &session, std::int64_t playlistId);
    // The channel records as JSON text (an array of objects).
    std::string channels(const Session &session, std::int64_t playlistId);
    Json groups(const Session &session);

    std::string newUploadHash(const Session &session);
    // Takes the hash out of use and returns the device it was issued for.
    Session consumeUploadHash(const std::string &hash);
    // Stores a parsed playlist as a new playlist of the device; returns its
    // id. Its "source" is the service's own M3U link to it.
    std::int64_t addPlaylist(std::int64_t deviceId, const std::string &title,
                             const M3uPlaylist &playlist);

    // The playlist as an extended M3U text, for direct links; throws
    // ServiceError when there is no such playlist.
    std::string exportM3u(std::int64_t playlistId);

    Json registerBySms(const std::string &name, const std::string &phone,
                       const std::string &password);
    Json verifyCode(const std::string &phone, std::int64_t code);

    void setDeviceOption(const Session &session, const std::string &name, const std::string &value);
    std::string deviceOption(const Session &session, const std::string &name);

    Json programmes(std::int64_t epgId, std::int64_t days);
    Json findEpg(const std::string &text);

    Database &database() { return m_database; }

private:
    std::string expand(const std::string &stored) const;
    std::int64_t requireDevice(const Session &session) const;

    Database &m_database;
    StoreSettings m_settings;
    PublicAddresses m_addresses;
    std::function<void(const std::string &, int)> m_smsSender;
};

} // namespace devservice

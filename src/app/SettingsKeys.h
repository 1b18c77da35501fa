#pragma once

// Names in the platform settings store. Every user opens its own QSettings
// with these two names, enters a group, reads or writes, and closes it again.
namespace SettingsKeys {

inline constexpr char organisation[] = "vantero";
inline constexpr char application[] = "vantero";

// Group "info": sign-in, device, playlist, language, window and player.
inline constexpr char groupInfo[] = "info";
inline constexpr char userName[] = "user_name";
inline constexpr char userPassword[] = "user_password";
inline constexpr char deviceKey[] = "device_key";
inline constexpr char deviceName[] = "device_name";
inline constexpr char playlistId[] = "playlist_id";
inline constexpr char playlistName[] = "playlist_name";
inline constexpr char lang[] = "lang";
inline constexpr char onTop[] = "ontop";
inline constexpr char cacheSize[] = "cache_size";
inline constexpr char volume[] = "volume";
inline constexpr char mute[] = "mute";
// Start the last channel again when its playlist opens (true when absent).
inline constexpr char resumeLast[] = "resume_last";
// The languages last chosen for sound and subtitles ("off": no subtitles).
inline constexpr char audioLanguage[] = "audio_language";
inline constexpr char subtitleLanguage[] = "subtitle_language";

// Group "history": playlist -> the channels last played in it, newest
// first, as a JSON array of ids.
inline constexpr char groupHistory[] = "history";

// Group "offline_playlist": playlist title -> path of its file.
inline constexpr char groupOfflinePlaylist[] = "offline_playlist";

// Group "service": where the online service lives.
inline constexpr char groupService[] = "service";
inline constexpr char apiUrl[] = "api_url";
inline constexpr char webUrl[] = "web_url";
inline constexpr char siteUrl[] = "site_url";
inline constexpr char geoUrl[] = "geo_url";
inline constexpr char caFile[] = "ca_file";

} // namespace SettingsKeys

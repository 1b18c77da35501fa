#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Demo data written on first start, and the benchmark playlist.
namespace devservice {

class Database;

// How a demo channel is streamed.
// Tracks: the Matroska clip of a DemoClip with tracks, media/<name>.mkv.
enum class StreamKind { File, Live, Hls, Tracks };

struct DemoClip {
    std::string name;  // file base name: media/<name>.ts
    std::string label; // text painted into the picture
    int toneHz;        // the sound: a sine tone
    std::string pattern;
    // Two audio tracks ("eng", "rus") and an English subtitle track, in a
    // Matroska file media/<name>.mkv instead of the MPEG-TS clip.
    bool tracks = false;
};

struct DemoLogo {
    std::string slug;   // logos/<slug>.png
    std::string label;  // short text on the logo
    std::string colour; // background, ffmpeg colour syntax ("0x3366cc")
};

struct DemoAccount {
    std::string kind; // "email", "phone" or "name"
    std::string login;
    std::string password;
    std::string displayName;
};

const std::vector<DemoClip> &demoClips();
const std::vector<DemoLogo> &demoLogos();
const std::vector<DemoAccount> &demoAccounts();

// The platform name that the demo device is registered for: what the
// client's Qt platform plug-in reports under X11.
inline constexpr char demoPlatform[] = "xcb";

// Writes the demo catalogue (EPG sources, accounts with a device and two
// playlists each, channels and groups) unless the database already has it.
// Returns true when it wrote anything.
bool seedDemoData(Database &database);

// Adds (or finds, when one of that size exists) a playlist with `count`
// channels bound to the first demo account's device; returns its id.
std::int64_t seedBenchmarkPlaylist(Database &database, int count);

// The text printed for a person at the console: the demo sign-ins.
std::string demoCredentialsText();

} // namespace devservice

#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

// The streams and logos: made once with ffmpeg into a media folder (which
// several data folders may share), then held in memory while serving.
namespace devservice {

struct DemoClip;
struct DemoLogo;

// An MPEG-TS clip with the time at which each 188-byte packet falls due,
// taken from the programme clock references in the stream.
struct TsClip {
    std::string data;
    std::vector<double> packetTimes; // seconds from the clip's start, one per packet
    double period = 0;               // seconds of one pass through the clip
};

// A clip cut into HLS segments.
struct HlsClip {
    std::vector<std::string> segments;
    std::vector<double> durations;
    int targetDuration = 0;
};

class MediaLibrary {
public:
    // Makes whatever is missing in mediaDir (under a file lock, so that
    // services started together make it once), then loads everything.
    // Returns false with error set when ffmpeg fails or is missing; what did
    // load stays usable.
    bool prepare(const std::string &mediaDir, const std::vector<DemoClip> &clips,
                 const std::vector<DemoLogo> &logos, std::string &error);

    std::shared_ptr<const TsClip> clip(const std::string &name) const;
    std::shared_ptr<const HlsClip> hls(const std::string &name) const;
    // The Matroska file of a clip with tracks.
    std::shared_ptr<const std::string> tracksClip(const std::string &name) const;
    std::shared_ptr<const std::string> logo(const std::string &slug) const;

    // Reads the packet timing of an MPEG-TS byte string (exposed for tests).
    static void timePackets(TsClip &clip);

private:
    std::map<std::string, std::shared_ptr<const TsClip>> m_clips;
    std::map<std::string, std::shared_ptr<const HlsClip>> m_hls;
    std::map<std::string, std::shared_ptr<const std::string>> m_tracksClips;
    std::map<std::string, std::shared_ptr<const std::string>> m_logos;
};

} // namespace devservice

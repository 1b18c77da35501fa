#include "Media.h"

#include "Log.h"
#include "Seed.h"
#include "TextUtil.h"

#include <cmath>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace devservice {

namespace fs = std::filesystem;

namespace {

// Bump when the way clips or logos are made changes: old caches are remade.
constexpr char mediaVersion[] = "1";
constexpr double clipSeconds = 10.0;
constexpr std::size_t packetSize = 188;

const char *const fontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const char *const boldFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

bool readFile(const std::string &path, std::string &content) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    content = buffer.str();
    return true;
}

// Starts a process with its output appended to logPath.
pid_t spawn(const std::vector<std::string> &args, const std::string &logPath) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    std::vector<char *> argv;
    for (const std::string &arg : args)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

bool finished(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A job makes its files under temporary names, then renames them into place.
struct Job {
    std::string what;
    std::vector<std::string> args;
    std::vector<std::pair<std::string, std::string>> renames; // temp -> final
    std::string cleanDir; // removed before the job starts, if set
};

bool runJobs(std::vector<Job> &jobs, const std::string &logPath, std::string &error) {
    // Two at a time: the machines this runs on have few cores.
    const std::size_t parallel = 2;
    std::vector<std::pair<pid_t, Job *>> running;
    bool ok = true;
    std::size_t next = 0;
    while (next < jobs.size() || !running.empty()) {
        while (ok && next < jobs.size() && running.size() < parallel) {
            Job &job = jobs[next++];
            if (!job.cleanDir.empty()) {
                std::error_code ec;
                fs::remove_all(job.cleanDir, ec);
                fs::create_directories(job.cleanDir, ec);
            }
            const pid_t pid = spawn(job.args, logPath);
            if (pid < 0) {
                error = "cannot start ffmpeg (is it installed?)";
                ok = false;
                break;
            }
            running.emplace_back(pid, &job);
        }
        if (running.empty())
            break;
        auto [pid, job] = running.front();
        running.erase(running.begin());
        if (!finished(pid)) {
            error = "ffmpeg failed making " + job->what + "; see " + logPath;
            ok = false;
            continue;
        }
        for (const auto &[from, to] : job->renames) {
            std::error_code ec;
            if (fs::is_directory(to))
                fs::remove_all(to, ec);
            fs::rename(from, to, ec);
            if (ec) {
                error = "cannot rename " + from + ": " + ec.message();
                ok = false;
            }
        }
    }
    return ok;
}

Job clipJob(const std::string &dir, const DemoClip &clip) {
    const std::string temp = dir + "/clips/" + clip.name + ".part.ts";
    const std::string picture = clip.pattern + "=size=640x360:rate=25";
    const std::string sound =
        "sine=frequency=" + std::to_string(clip.toneHz) + ":sample_rate=48000:beep_factor=4";
    const std::string caption = std::string("drawtext=fontfile=") + fontFile + ":text='" +
                                clip.label +
                                "':fontsize=44:fontcolor=white:box=1:boxcolor=black@0.6:"
                                "boxborderw=14:x=(w-text_w)/2:y=h/2-70,"
                                "drawtext=fontfile=" +
                                fontFile +
                                ":text='%{pts\\:hms}':fontsize=30:fontcolor=white:box=1:"
                                "boxcolor=black@0.6:boxborderw=10:x=(w-text_w)/2:y=h/2+30";
    Job job;
    job.what = "the clip " + clip.name;
    job.args = {"ffmpeg",
                "-hide_banner",
                "-loglevel",
                "error",
                "-nostdin",
                "-y",
                "-f",
                "lavfi",
                "-i",
                picture,
                "-f",
                "lavfi",
                "-i",
                sound,
                "-t",
                "10",
                "-vf",
                caption,
                "-c:v",
                "libx264",
                "-preset",
                "veryfast",
                "-profile:v",
                "main",
                "-pix_fmt",
                "yuv420p",
                "-g",
                "50",
                "-keyint_min",
                "50",
                "-sc_threshold",
                "0",
                "-b:v",
                "500k",
                "-maxrate",
                "700k",
                "-bufsize",
                "1000k",
                "-c:a",
                "aac",
                "-b:a",
                "96k",
                "-ac",
                "2",
                "-threads",
                "1",
                "-f",
                "mpegts",
                temp};
    job.renames = {{temp, dir + "/clips/" + clip.name + ".ts"}};
    return job;
}

// The subtitles of a clip with tracks: two cues over its ten seconds.
const char *const subtitleText = "1\n00:00:00,500 --> 00:00:04,500\nVantero subtitles, part one\n\n"
                                 "2\n00:00:05,000 --> 00:00:09,500\nVantero subtitles, part two\n";

// A clip with two audio tracks of different tones, "eng" and "rus", and an
// English subtitle track, in Matroska (MPEG-TS carries no text subtitles).
Job tracksJob(const std::string &dir, const DemoClip &clip) {
    const std::string temp = dir + "/clips/" + clip.name + ".part.mkv";
    const std::string subtitles = dir + "/clips/" + clip.name + ".srt";
    std::ofstream(subtitles, std::ios::binary) << subtitleText;
    const std::string caption = std::string("drawtext=fontfile=") + fontFile + ":text='" +
                                clip.label +
                                "':fontsize=44:fontcolor=white:box=1:boxcolor=black@0.6:"
                                "boxborderw=14:x=(w-text_w)/2:y=h/2-70";
    const auto tone = [](int hz) {
        return "sine=frequency=" + std::to_string(hz) + ":sample_rate=48000:beep_factor=4";
    };
    Job job;
    job.what = "the clip " + clip.name;
    job.args = {"ffmpeg",
                "-hide_banner",
                "-loglevel",
                "error",
                "-nostdin",
                "-y",
                "-f",
                "lavfi",
                "-i",
                clip.pattern + "=size=640x360:rate=25",
                "-f",
                "lavfi",
                "-i",
                tone(clip.toneHz),
                "-f",
                "lavfi",
                "-i",
                tone(clip.toneHz * 3 / 4),
                "-i",
                subtitles,
                "-t",
                "10",
                "-map",
                "0:v",
                "-map",
                "1:a",
                "-map",
                "2:a",
                "-map",
                "3:s",
                "-vf",
                caption,
                "-c:v",
                "libx264",
                "-preset",
                "veryfast",
                "-pix_fmt",
                "yuv420p",
                "-g",
                "50",
                "-b:v",
                "500k",
                "-c:a",
                "aac",
                "-b:a",
                "64k",
                "-ac",
                "2",
                "-c:s",
                "srt",
                "-metadata:s:a:0",
                "language=eng",
                "-metadata:s:a:1",
                "language=rus",
                "-metadata:s:s:0",
                "language=eng",
                "-threads",
                "1",
                "-f",
                "matroska",
                temp};
    job.renames = {{temp, dir + "/clips/" + clip.name + ".mkv"}};
    return job;
}

Job hlsJob(const std::string &dir, const DemoClip &clip) {
    const std::string temp = dir + "/hls/" + clip.name + ".part";
    Job job;
    job.what = "the HLS segments of " + clip.name;
    job.cleanDir = temp;
    job.args = {"ffmpeg",
                "-hide_banner",
                "-loglevel",
                "error",
                "-nostdin",
                "-y",
                "-i",
                dir + "/clips/" + clip.name + ".ts",
                "-c",
                "copy",
                "-f",
                "hls",
                "-hls_time",
                "2",
                "-hls_list_size",
                "0",
                "-hls_playlist_type",
                "vod",
                "-hls_segment_filename",
                temp + "/seg%d.ts",
                temp + "/index.m3u8"};
    job.renames = {{temp, dir + "/hls/" + clip.name}};
    return job;
}

Job logoJob(const std::string &dir, const DemoLogo &logo) {
    const std::string temp = dir + "/logos/" + logo.slug + ".part.png";
    const int size = logo.label.size() <= 2 ? 56 : logo.label.size() <= 3 ? 44 : 34;
    const std::string draw = std::string("drawbox=x=6:y=6:w=iw-12:h=ih-12:color=white@0.25:t=3,"
                                         "drawtext=fontfile=") +
                             boldFontFile + ":text='" + logo.label +
                             "':fontsize=" + std::to_string(size) +
                             ":fontcolor=white:x=(w-text_w)/2:y=(h-text_h)/2";
    Job job;
    job.what = "the logo " + logo.slug;
    job.args = {"ffmpeg",    "-hide_banner",
                "-loglevel", "error",
                "-nostdin",  "-y",
                "-f",        "lavfi",
                "-i",        "color=c=" + logo.colour + ":s=128x128",
                "-vf",       draw,
                "-frames:v", "1",
                "-update",   "1",
                temp};
    job.renames = {{temp, dir + "/logos/" + logo.slug + ".png"}};
    return job;
}

bool readHls(const std::string &dir, HlsClip &hls) {
    std::string playlist;
    if (!readFile(dir + "/index.m3u8", playlist))
        return false;
    std::istringstream lines(playlist);
    std::string line;
    double pending = -1;
    while (std::getline(lines, line)) {
        line = trim(line);
        if (startsWith(line, "#EXTINF:")) {
            pending = std::atof(line.c_str() + 8);
        } else if (!line.empty() && line[0] != '#' && pending > 0) {
            std::string segment;
            if (line.find('/') != std::string::npos || !readFile(dir + "/" + line, segment))
                return false;
            hls.segments.push_back(std::move(segment));
            hls.durations.push_back(pending);
            hls.targetDuration =
                std::max(hls.targetDuration, static_cast<int>(std::ceil(pending - 0.001)));
            pending = -1;
        }
    }
    return !hls.segments.empty();
}

} // namespace

void MediaLibrary::timePackets(TsClip &clip) {
    const std::size_t packets = clip.data.size() / packetSize;
    clip.packetTimes.assign(packets, 0.0);
    clip.period = 0;
    // Programme clock references of the first PID that carries them.
    std::vector<std::pair<std::size_t, double>> marks;
    int pcrPid = -1;
    for (std::size_t i = 0; i < packets; ++i) {
        const auto *p = reinterpret_cast<const unsigned char *>(clip.data.data()) + i * packetSize;
        if (p[0] != 0x47)
            continue;
        const int pid = ((p[1] & 0x1F) << 8) | p[2];
        const bool adaptation = (p[3] & 0x20) != 0;
        if (!adaptation || p[4] < 7 || (p[5] & 0x10) == 0)
            continue;
        if (pcrPid < 0)
            pcrPid = pid;
        if (pid != pcrPid)
            continue;
        const std::uint64_t base = (std::uint64_t(p[6]) << 25) | (std::uint64_t(p[7]) << 17) |
                                   (std::uint64_t(p[8]) << 9) | (std::uint64_t(p[9]) << 1) |
                                   (p[10] >> 7);
        const std::uint64_t extension = (std::uint64_t(p[10] & 1) << 8) | p[11];
        const double seconds = double(base * 300 + extension) / 27000000.0;
        if (!marks.empty() && seconds <= marks.back().second)
            continue; // a clock jump; keep the times rising
        marks.emplace_back(i, seconds);
    }
    if (marks.size() < 2) {
        // No usable clock: spread the packets evenly over the nominal length.
        for (std::size_t i = 0; i < packets; ++i)
            clip.packetTimes[i] = clipSeconds * double(i) / double(packets ? packets : 1);
        clip.period = clipSeconds;
        return;
    }
    const double origin = marks.front().second;
    const double span = marks.back().second - origin;
    const double rate = double(marks.back().first - marks.front().first) / span; // packets/s
    for (std::size_t m = 0; m + 1 < marks.size(); ++m) {
        const auto [from, t0] = marks[m];
        const auto [to, t1] = marks[m + 1];
        for (std::size_t i = from; i < to; ++i)
            clip.packetTimes[i] = (t0 - origin) + (t1 - t0) * double(i - from) / double(to - from);
    }
    for (std::size_t i = 0; i < marks.front().first; ++i)
        clip.packetTimes[i] = 0;
    for (std::size_t i = marks.back().first; i < packets; ++i)
        clip.packetTimes[i] = span + double(i - marks.back().first) / rate;
    clip.period = span + double(packets - marks.back().first) / rate;
}

bool MediaLibrary::prepare(const std::string &mediaDir, const std::vector<DemoClip> &clips,
                           const std::vector<DemoLogo> &logos, std::string &error) {
    std::error_code ec;
    for (const char *sub : {"clips", "hls", "logos"})
        fs::create_directories(mediaDir + "/" + sub, ec);
    if (ec) {
        error = "cannot create " + mediaDir + ": " + ec.message();
        return false;
    }
    const int lock = ::open((mediaDir + "/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock < 0 || flock(lock, LOCK_EX) != 0) {
        error = "cannot lock " + mediaDir;
        if (lock >= 0)
            ::close(lock);
        return false;
    }

    bool ok = true;
    std::string version;
    readFile(mediaDir + "/version", version);
    if (trim(version) != mediaVersion) {
        for (const char *sub : {"clips", "hls", "logos"}) {
            fs::remove_all(mediaDir + "/" + sub, ec);
            fs::create_directories(mediaDir + "/" + sub, ec);
        }
    }
    const std::string logPath = mediaDir + "/ffmpeg.log";
    std::vector<Job> first;
    for (const DemoClip &clip : clips) {
        if (clip.tracks) {
            if (!fs::exists(mediaDir + "/clips/" + clip.name + ".mkv"))
                first.push_back(tracksJob(mediaDir, clip));
        } else if (!fs::exists(mediaDir + "/clips/" + clip.name + ".ts")) {
            first.push_back(clipJob(mediaDir, clip));
        }
    }
    for (const DemoLogo &logo : logos) {
        if (!fs::exists(mediaDir + "/logos/" + logo.slug + ".png"))
            first.push_back(logoJob(mediaDir, logo));
    }
    if (!first.empty()) {
        logInfo("making " + std::to_string(first.size()) + " clips and logos with ffmpeg in " +
                mediaDir + " (once)");
        ok = runJobs(first, logPath, error);
    }
    std::vector<Job> second;
    for (const DemoClip &clip : clips) {
        if (fs::exists(mediaDir + "/clips/" + clip.name + ".ts") &&
            !fs::exists(mediaDir + "/hls/" + clip.name + "/index.m3u8"))
            second.push_back(hlsJob(mediaDir, clip));
    }
    if (ok && !second.empty())
        ok = runJobs(second, logPath, error);
    if (ok) {
        std::ofstream(mediaDir + "/version") << mediaVersion << "\n";
    }
    flock(lock, LOCK_UN);
    ::close(lock);

    for (const DemoClip &clip : clips) {
        if (clip.tracks) {
            auto mkv = std::make_shared<std::string>();
            if (readFile(mediaDir + "/clips/" + clip.name + ".mkv", *mkv) && !mkv->empty())
                m_tracksClips[clip.name] = mkv;
            continue;
        }
        auto ts = std::make_shared<TsClip>();
        if (readFile(mediaDir + "/clips/" + clip.name + ".ts", ts->data) &&
            ts->data.size() >= packetSize) {
            timePackets(*ts);
            m_clips[clip.name] = ts;
        }
        auto hls = std::make_shared<HlsClip>();
        if (readHls(mediaDir + "/hls/" + clip.name, *hls))
            m_hls[clip.name] = hls;
    }
    for (const DemoLogo &logo : logos) {
        auto png = std::make_shared<std::string>();
        if (readFile(mediaDir + "/logos/" + logo.slug + ".png", *png))
            m_logos[logo.slug] = png;
    }
    return ok;
}

std::shared_ptr<const TsClip> MediaLibrary::clip(const std::string &name) const {
    const auto found = m_clips.find(name);
    return found == m_clips.end() ? nullptr : found->second;
}

std::shared_ptr<const HlsClip> MediaLibrary::hls(const std::string &name) const {
    const auto found = m_hls.find(name);
    return found == m_hls.end() ? nullptr : found->second;
}

std::shared_ptr<const std::string> MediaLibrary::tracksClip(const std::string &name) const {
    const auto found = m_tracksClips.find(name);
    return found == m_tracksClips.end() ? nullptr : found->second;
}

std::shared_ptr<const std::string> MediaLibrary::logo(const std::string &slug) const {
    const auto found = m_logos.find(slug);
    return found == m_logos.end() ? nullptr : found->second;
}

} // namespace devservice

#pragma once

#include <QString>

// Small test streams made with ffmpeg at run time: a moving colour pattern
// (H.264, one key frame a second) with a tone (AAC).
namespace TestClips {

// An MPEG-TS file of the given length at 640 x 360, 25 frames a second.
bool makeTransportStream(const QString &path, double seconds);

// An HLS presentation in `folder`: "index.m3u8" and its segments.
bool makeHls(const QString &folder, double seconds);

// Whether ffmpeg is there to make clips at all.
bool available();

} // namespace TestClips

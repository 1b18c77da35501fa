#pragma once

// Values shared by the engine classes. They keep libVLC's own numbering so
// that a value read from the engine needs no translation table.
namespace Vlc {

enum State {
    Idle = 0,
    Opening = 1,
    Buffering = 2,
    Playing = 3,
    Paused = 4,
    Stopped = 5,
    Ended = 6,
    Error = 7
};

// Display aspect ratios the video can be forced to. Original leaves the
// source's own ratio; Ignore is treated the same by the engine.
enum Ratio {
    Original = 0,
    Ignore = 1,
    R_16_9 = 2,
    R_16_10 = 3,
    R_185_100 = 4,
    R_221_100 = 5,
    R_235_100 = 6,
    R_239_100 = 7,
    R_4_3 = 8,
    R_5_4 = 9,
    R_5_3 = 10,
    R_1_1 = 11
};

} // namespace Vlc

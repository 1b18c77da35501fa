#pragma once

#include <QString>
#include <QStringList>

// Every file name the program writes from outside input (the last path
// segment of a logo or playlist address, a playlist title) goes through
// make(), so that the name stays one plain file inside the folder it is
// meant for, on every platform the program runs on:
//
// - no separator of any platform ("/", "\"), nothing Windows refuses or
//   reads specially in a name (":", "*", "?", quote, "<", ">", "|"), no
//   control or invisible formatting characters (they can disguise a
//   suffix): each becomes "_";
// - no "..": runs of dots become one dot; no leading dot (a hidden file, or
//   the folder itself), no trailing dots or blanks (Windows drops them, so
//   "x.exe." would open as "x.exe");
// - no Windows device name (CON, NUL, COM1, LPT1...) before the first dot,
//   whatever follows it ("nul.png" is the device too): "_" goes in front;
// - the suffix after the last dot is kept only when it is one of the
//   allowed ones (compared without regard to case); otherwise every dot
//   becomes "_" and the name has no suffix at all, so "logo.png.exe" can
//   never be started as a program;
// - at most maxBytes bytes in UTF-8 (file systems count bytes or UTF-16
//   units; this bound suits both and leaves room for a temporary suffix);
// - never empty: "_" stands for nothing.
class SafeFileName {
public:
    static constexpr int maxBytes = 150;

    static QString make(const QString &name, const QStringList &allowedSuffixes);

    // Whether the part of a name before its first dot names a Windows
    // device.
    static bool isDeviceName(const QString &name);

    // Suffixes of the images a logo may be and of the playlist files a link
    // may name.
    static const QStringList &imageSuffixes();
    static const QStringList &playlistSuffixes();
};

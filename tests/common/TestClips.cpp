#include "TestClips.h"

#include <QDebug>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>

namespace {
QStringList sourceArguments(double seconds) {
    const QString length = QString::number(seconds);
    return {QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
            QStringLiteral("error"),        QStringLiteral("-y"),
            QStringLiteral("-f"),           QStringLiteral("lavfi"),
            QStringLiteral("-i"),           QStringLiteral("testsrc2=size=640x360:rate=25"),
            QStringLiteral("-f"),           QStringLiteral("lavfi"),
            QStringLiteral("-i"),           QStringLiteral("sine=frequency=440:sample_rate=48000"),
            QStringLiteral("-t"),           length,
            QStringLiteral("-c:v"),         QStringLiteral("libx264"),
            QStringLiteral("-preset"),      QStringLiteral("ultrafast"),
            QStringLiteral("-pix_fmt"),     QStringLiteral("yuv420p"),
            QStringLiteral("-g"),           QStringLiteral("25"),
            QStringLiteral("-c:a"),         QStringLiteral("aac"),
            QStringLiteral("-b:a"),         QStringLiteral("64k")};
}

bool runFfmpeg(const QStringList &arguments) {
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ffmpeg.start(QStringLiteral("ffmpeg"), arguments);
    if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitStatus() != QProcess::NormalExit ||
        ffmpeg.exitCode() != 0) {
        qWarning() << "ffmpeg failed:" << arguments;
        return false;
    }
    return true;
}
} // namespace

namespace TestClips {

bool available() {
    return !QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty();
}

bool makeTransportStream(const QString &path, double seconds) {
    QStringList arguments = sourceArguments(seconds);
    arguments << QStringLiteral("-f") << QStringLiteral("mpegts") << path;
    return runFfmpeg(arguments);
}

bool makeHls(const QString &folder, double seconds) {
    QDir().mkpath(folder);
    const QDir dir(folder);
    QStringList arguments = sourceArguments(seconds);
    arguments << QStringLiteral("-f") << QStringLiteral("hls") << QStringLiteral("-hls_time")
              << QStringLiteral("2") << QStringLiteral("-hls_list_size") << QStringLiteral("0")
              << QStringLiteral("-hls_segment_filename")
              << dir.filePath(QStringLiteral("seg%03d.ts"))
              << dir.filePath(QStringLiteral("index.m3u8"));
    return runFfmpeg(arguments);
}

} // namespace TestClips

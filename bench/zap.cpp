// Zap benchmark: how long from asking for a channel to seeing it.
//
// Our player (PlayerWidget::playUrl) and the stock VLC player (cvlc, driven
// through its remote-control interface with "add <url>") play the same
// streams with the same network caching on the same X display, one after
// the other, alternating. Four moments are taken from the request on:
//   first picture    the engine's decoder hands over its first picture
//                    (log line "Received first picture")
//   buffering done   the engine starts playing (log line "Stream buffering
//                    done" of the input that plays the URL)
//   on screen        the video area at the top left of the screen first
//                    shows a picture (read back from the X server)
//   motion           the picture on screen first changes and keeps changing
// The same definitions hold for both players. Run it through zap.sh, which
// provides an X server both players may use.
//
// Rapid zapping: ten switches between live channels, 100 ms apart. Taken
// are the time from the last switch to the last channel's first picture
// (the first picture decoded after the engine created the input for that
// channel's address), and, for our player, the longest stall of the GUI
// thread from the first switch to that picture (a 1 ms timer's longest gap).
// The stock player takes the same ten addresses through "add".

#include "StreamServer.h"
#include "TestClips.h"
#include "app/AppState.h"
#include "player/PlayerWidget.h"
#include "vlc/VlcInstance.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMutex>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <functional>
#include <unistd.h>
#include <vlc/vlc.h>

namespace {

constexpr int videoWidth = 640;
constexpr int videoHeight = 360;
constexpr int settleMs = 400;
// A live HLS window moves on every segment (2 s): a random wait before each
// request spreads both players evenly over the segment's phase.
constexpr int phaseSpreadMs = 2000;

void settle() {
    QThread::msleep(settleMs + QRandomGenerator::global()->bounded(phaseSpreadMs));
}
constexpr int runTimeoutMs = 20000;
// At 25 frames a second a moving picture changes every 40 ms.
constexpr qint64 motionGapNs = 200 * 1000 * 1000;

qint64 nowNs() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

QTextStream &out() {
    static QTextStream stream(stdout);
    return stream;
}

// The moments of one run, in nanoseconds of the monotonic clock (0: not yet).
struct Moments {
    std::atomic<qint64> start{0};
    std::atomic<qint64> firstPicture{0};
    std::atomic<qint64> bufferingDone{0};
    std::atomic<qint64> onScreen{0};
    std::atomic<qint64> motion{0};

    void reset() { start = firstPicture = bufferingDone = onScreen = motion = 0; }
    bool complete() const { return firstPicture && bufferingDone && onScreen && motion; }
    double ms(const std::atomic<qint64> &moment) const {
        return moment ? double(moment - start) / 1e6 : -1;
    }
};

// Reads engine log lines (ours through the log callback, the stock player's
// from its standard error) and notes the two engine moments. The buffering
// line must come from the input that was created for the URL: the stock
// player also opens inputs of its own (preparsing) that never play.
class LogWatch {
public:
    explicit LogWatch(Moments &moments)
        : m_moments(moments) {}

    // With inputFirst, a first picture counts only once the input for the
    // URL exists (earlier channels' pictures do not).
    void arm(const QString &url, bool inputFirst = false) {
        QMutexLocker lock(&m_mutex);
        const QUrl parsed(url);
        m_names = QStringList{url, parsed.fileName()};
        // An address with a query is named with it.
        if (parsed.hasQuery())
            m_names << parsed.fileName() + QLatin1Char('?') + parsed.query();
        m_playingInput.clear();
        m_inputFirst = inputFirst;
    }

    void line(const QByteArray &object, const QByteArray &text, qint64 at) {
        if (!m_moments.start)
            return;
        QMutexLocker lock(&m_mutex);
        static const QByteArray creating("Creating an input for '");
        if (text.startsWith(creating)) {
            const QString name = QString::fromUtf8(text.mid(creating.size()).chopped(1));
            if (m_names.contains(name))
                m_playingInput = object;
        } else if (text.startsWith("Stream buffering done") && object == m_playingInput) {
            if (!m_moments.bufferingDone)
                m_moments.bufferingDone = at;
        } else if (text == "Received first picture") {
            if (!m_moments.firstPicture && (!m_inputFirst || !m_playingInput.isEmpty()))
                m_moments.firstPicture = at;
        }
    }

private:
    Moments &m_moments;
    QMutex m_mutex;
    QStringList m_names;
    QByteArray m_playingInput;
    bool m_inputFirst = false;
};

void engineLog(void *data, int, const libvlc_log_t *context, const char *format, va_list args) {
    const qint64 at = nowNs();
    char text[512];
    vsnprintf(text, sizeof text, format, args);
    const char *module = nullptr;
    const char *file = nullptr;
    uintptr_t object = 0;
    libvlc_log_get_object(context, &module, &file, &object);
    static_cast<LogWatch *>(data)->line(QByteArray::number(qulonglong(object), 16), text, at);
}

// Watches the video area (the top left of the screen, where both players put
// their video window) from a thread of its own with its own X connection.
// Rows across the picture are read every few milliseconds: the picture is on
// screen once a good share of them is lit, and moving once they change.
class ScreenWatch : public QThread {
public:
    explicit ScreenWatch(Moments &moments)
        : m_moments(moments) {}

    bool open() {
        m_display = XOpenDisplay(nullptr);
        return m_display != nullptr;
    }
    ~ScreenWatch() override {
        m_stop = true;
        wait();
        if (m_display)
            XCloseDisplay(m_display);
    }

    // Whether the video area is dark, as it must be before a run starts.
    bool dark() { return litShare(grab()) < 0.02; }

protected:
    void run() override {
        QVector<quint32> previous;
        qint64 lastChange = 0;
        while (!m_stop) {
            const QVector<quint32> rows = grab();
            const qint64 at = nowNs();
            if (!m_moments.start) {
                lastChange = 0;
            } else if (!m_moments.onScreen) {
                if (litShare(rows) > 0.3)
                    m_moments.onScreen = at;
            } else if (!m_moments.motion && changedShare(previous, rows) > 0.002) {
                // Moving means changing again soon after: a still picture
                // that is merely painted once more changes only once.
                if (lastChange && at - lastChange < motionGapNs)
                    m_moments.motion = lastChange;
                lastChange = at;
            }
            previous = rows;
            usleep(4000);
        }
    }

private:
    QVector<quint32> grab() {
        QMutexLocker lock(&m_mutex);
        QVector<quint32> pixels;
        const Window root = DefaultRootWindow(m_display);
        for (int y = 12; y < videoHeight; y += 24) {
            XImage *image = XGetImage(m_display, root, 0, y, videoWidth, 1, AllPlanes, ZPixmap);
            if (!image)
                continue;
            for (int x = 0; x < videoWidth; ++x)
                pixels << quint32(XGetPixel(image, x, 0));
            XDestroyImage(image);
        }
        return pixels;
    }

    static double litShare(const QVector<quint32> &pixels) {
        if (pixels.isEmpty())
            return 0;
        int lit = 0;
        for (quint32 p : pixels) {
            if (((p >> 16) & 0xff) + ((p >> 8) & 0xff) + (p & 0xff) > 90)
                ++lit;
        }
        return double(lit) / pixels.size();
    }

    static double changedShare(const QVector<quint32> &a, const QVector<quint32> &b) {
        if (a.size() != b.size() || a.isEmpty())
            return 0;
        // The middle of the picture does not count: our player's spinner
        // turns there while a live stream still fills its cache, which is
        // no motion of the picture. The rows lie 24 pixels apart.
        int changed = 0;
        for (int i = 0; i < a.size(); ++i) {
            const int x = i % videoWidth;
            const int y = 12 + 24 * (i / videoWidth);
            if (qAbs(x - videoWidth / 2) < 60 && qAbs(y - videoHeight / 2) < 60)
                continue;
            if (a[i] != b[i])
                ++changed;
        }
        return double(changed) / a.size();
    }

    Moments &m_moments;
    Display *m_display = nullptr;
    QMutex m_mutex;
    std::atomic<bool> m_stop{false};
};

struct Source {
    QString name;
    QString url;
};

struct Sample {
    double firstPicture, bufferingDone, onScreen, motion;
};

struct RapidSample {
    double lastPicture = -1;  // from the last switch to that channel's first picture
    double longestStall = -1; // ours only
};

constexpr int rapidSwitches = 10;
constexpr int rapidGapMs = 100;

// Longest gap between two ticks of a 1 ms timer on the GUI thread.
class StallWatch {
public:
    StallWatch() {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            const qint64 now = nowNs();
            if (m_last)
                m_longest = qMax(m_longest, now - m_last);
            m_last = now;
        });
    }
    void start() {
        m_last = 0;
        m_longest = 0;
        m_timer.start();
    }
    double stop() {
        m_timer.stop();
        return double(m_longest) / 1e6;
    }

private:
    QTimer m_timer;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

bool waitFor(const std::function<bool()> &done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(1000);
    }
    return true;
}

class Bench {
public:
    Bench(ScreenWatch &screen, Moments &moments, LogWatch &log)
        : m_screen(screen)
        , m_moments(moments)
        , m_log(log) {}

    bool ours(const QString &url, const QString &caching, Sample &sample) {
        appState().cacheSize = caching == QLatin1String("5000") ? QString() : caching;
        auto *player = new PlayerWidget;
        player->setGeometry(0, 0, videoWidth, videoHeight);
        player->show();
        waitFor([player] { return player->windowHandle() && player->windowHandle()->isExposed(); },
                5000);
        libvlc_log_set(player->engine()->core(), &engineLog, &m_log);
        settle();
        QCoreApplication::processEvents();

        m_moments.reset();
        m_log.arm(url);
        m_moments.start = nowNs();
        player->playUrl(url);
        const bool done = waitFor([this] { return m_moments.complete(); }, runTimeoutMs);
        sample = {m_moments.ms(m_moments.firstPicture), m_moments.ms(m_moments.bufferingDone),
                  m_moments.ms(m_moments.onScreen), m_moments.ms(m_moments.motion)};
        m_moments.start = 0;

        player->stopPlayback();
        libvlc_log_unset(player->engine()->core());
        delete player;
        waitFor([this] { return m_screen.dark(); }, 3000);
        return done;
    }

    bool stock(const QString &url, const QString &caching, Sample &sample) {
        return stockRun(caching, [&](QProcess &vlc) {
            m_moments.reset();
            m_log.arm(url);
            m_moments.start = nowNs();
            vlc.write("add " + url.toUtf8() + "\n");
            const bool done = waitFor([this] { return m_moments.complete(); }, runTimeoutMs);
            sample = {m_moments.ms(m_moments.firstPicture), m_moments.ms(m_moments.bufferingDone),
                      m_moments.ms(m_moments.onScreen), m_moments.ms(m_moments.motion)};
            m_moments.start = 0;
            return done;
        });
    }

    // Starts the stock player with its remote control, runs `body` once it
    // reads commands, and quits it.
    bool stockRun(const QString &caching, const std::function<bool(QProcess &)> &body) {
        QProcess vlc;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("MESA_SHADER_CACHE_DIR"), m_stockShaderCache);
        vlc.setProcessEnvironment(environment);
        QStringList arguments = {QStringLiteral("-I"),
                                 QStringLiteral("rc"),
                                 QStringLiteral("--rc-fake-tty"),
                                 QStringLiteral("-vv"),
                                 QStringLiteral("--network-caching=") + caching,
                                 QStringLiteral("--no-video-title-show"),
                                 QStringLiteral("--aout=dummy")};
        // The stock player refuses to run as root.
        if (geteuid() == 0) {
            arguments.prepend(QStringLiteral("cvlc"));
            arguments =
                QStringList{QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("--")} +
                arguments;
            vlc.start(QStringLiteral("runuser"), arguments);
        } else {
            vlc.start(QStringLiteral("cvlc"), arguments);
        }
        QByteArray pending;
        bool ready = false;
        QObject::connect(&vlc, &QProcess::readyReadStandardError, &vlc, [&] {
            const qint64 at = nowNs();
            pending += vlc.readAllStandardError();
            int end;
            while ((end = pending.indexOf('\n')) >= 0) {
                const QByteArray line = pending.left(end);
                pending.remove(0, end + 1);
                // "[00007f6124000c90] main input debug: Stream buffering done ..."
                static const QRegularExpression shape(
                    QStringLiteral("^\\[([0-9a-f]+)\\] [^:]*debug: (.*)$"));
                const QRegularExpressionMatch match = shape.match(QString::fromUtf8(line));
                if (!match.hasMatch())
                    continue;
                const QByteArray object = match.captured(1).toLatin1();
                const QByteArray text = match.captured(2).toUtf8();
                m_log.line(QByteArray::number(object.toULongLong(nullptr, 16), 16), text, at);
            }
        });
        // The remote control greets on its output once it reads commands.
        QByteArray greeting;
        QObject::connect(&vlc, &QProcess::readyReadStandardOutput, &vlc, [&] {
            greeting += vlc.readAllStandardOutput();
            ready = ready || greeting.contains("nterface initialized");
        });
        if (!vlc.waitForStarted(5000) || !waitFor([&ready] { return ready; }, 10000)) {
            vlc.kill();
            vlc.waitForFinished(3000);
            return false;
        }
        settle();
        QCoreApplication::processEvents();

        const bool done = body(vlc);

        vlc.write("quit\n");
        if (!vlc.waitForFinished(5000)) {
            vlc.terminate();
            if (!vlc.waitForFinished(3000))
                vlc.kill();
            vlc.waitForFinished(3000);
        }
        waitFor([this] { return m_screen.dark(); }, 3000);
        return done;
    }

    bool oursRapid(const QStringList &urls, const QString &caching, RapidSample &sample) {
        appState().cacheSize = caching == QLatin1String("5000") ? QString() : caching;
        auto *player = new PlayerWidget;
        player->setGeometry(0, 0, videoWidth, videoHeight);
        player->show();
        waitFor([player] { return player->windowHandle() && player->windowHandle()->isExposed(); },
                5000);
        libvlc_log_set(player->engine()->core(), &engineLog, &m_log);
        settle();
        QCoreApplication::processEvents();

        StallWatch stalls;
        stalls.start();
        m_moments.reset();
        for (int i = 0; i < urls.size(); ++i) {
            if (i + 1 == urls.size()) {
                m_log.arm(urls.at(i), true);
                m_moments.start = nowNs();
            }
            player->playUrl(urls.at(i));
            if (i + 1 < urls.size())
                waitFor([] { return false; }, rapidGapMs);
        }
        const bool done = waitFor([this] { return m_moments.firstPicture != 0; }, runTimeoutMs);
        sample.longestStall = stalls.stop();
        sample.lastPicture = m_moments.ms(m_moments.firstPicture);
        m_moments.start = 0;

        player->stopPlayback();
        libvlc_log_unset(player->engine()->core());
        delete player;
        waitFor([this] { return m_screen.dark(); }, 3000);
        return done;
    }

    bool stockRapid(const QStringList &urls, const QString &caching, RapidSample &sample) {
        return stockRun(caching, [&](QProcess &vlc) {
            m_moments.reset();
            for (int i = 0; i < urls.size(); ++i) {
                if (i + 1 == urls.size()) {
                    m_log.arm(urls.at(i), true);
                    m_moments.start = nowNs();
                }
                vlc.write("add " + urls.at(i).toUtf8() + "\n");
                if (i + 1 < urls.size())
                    waitFor([] { return false; }, rapidGapMs);
            }
            const bool done = waitFor([this] { return m_moments.firstPicture != 0; }, runTimeoutMs);
            sample.lastPicture = m_moments.ms(m_moments.firstPicture);
            m_moments.start = 0;
            return done;
        });
    }

    void setStockShaderCache(const QString &path) { m_stockShaderCache = path; }

private:
    ScreenWatch &m_screen;
    Moments &m_moments;
    LogWatch &m_log;
    QString m_stockShaderCache;
};

double median(QVector<double> values) {
    values.erase(std::remove_if(values.begin(), values.end(), [](double v) { return v < 0; }),
                 values.end());
    if (values.isEmpty())
        return -1;
    std::sort(values.begin(), values.end());
    const int n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

QString loadAverage() {
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(file.readAll()).section(' ', 0, 2);
}

// The local service's media server, started beside this program; its clips
// are made once into a folder that later runs reuse.
class Service {
public:
    bool start(const QString &program, const QString &mediaDir) {
        if (!QFileInfo(program).isExecutable() || !m_data.isValid())
            return false;
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(program,
                        {QStringLiteral("--data"), m_data.path(), QStringLiteral("--media-dir"),
                         mediaDir, QStringLiteral("--api-port"), QStringLiteral("0"),
                         QStringLiteral("--web-port"), QStringLiteral("0"),
                         QStringLiteral("--geo-port"), QStringLiteral("0"),
                         QStringLiteral("--media-port"), QStringLiteral("0"),
                         QStringLiteral("--exit-with-parent")});
        if (!m_process.waitForStarted(5000))
            return false;
        QByteArray output;
        static const QRegularExpression media(QStringLiteral("media=(http://\\S+)"));
        const bool ready = waitFor(
            [&] {
                output += m_process.readAll();
                const QRegularExpressionMatch match = media.match(QString::fromUtf8(output));
                if (match.hasMatch())
                    m_base = match.captured(1);
                return !m_base.isEmpty() || m_process.state() == QProcess::NotRunning;
            },
            600000);
        return ready && !m_base.isEmpty();
    }

    ~Service() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(5000))
                m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

    QString base() const { return m_base; }

private:
    QTemporaryDir m_data;
    QProcess m_process;
    QString m_base;
};

} // namespace

int main(int argc, char **argv) {
    // Each player keeps its own shader cache, so neither compiles for the other.
    QTemporaryDir shaderCaches;
    const QString ourCache = shaderCaches.filePath(QStringLiteral("ours"));
    const QString stockCache = shaderCaches.filePath(QStringLiteral("stock"));
    QDir().mkpath(ourCache);
    QDir().mkpath(stockCache);
    QFile(shaderCaches.path())
        .setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                        QFileDevice::ExeOther | QFileDevice::ReadOther);
    QFile(stockCache)
        .setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                        QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther);
    qputenv("MESA_SHADER_CACHE_DIR", QFile::encodeName(ourCache));

    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Time from playUrl to picture, ours and cvlc"));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("runs"), QStringLiteral("Runs per player and case."),
                      QStringLiteral("n"), QStringLiteral("7")});
    parser.addOption({QStringLiteral("base"),
                      QStringLiteral("Media server to use (its /media, /hls and /live paths)."),
                      QStringLiteral("url")});
    parser.addOption({QStringLiteral("media-dir"),
                      QStringLiteral("Where the local service keeps its clips."),
                      QStringLiteral("dir")});
    parser.addOption({QStringLiteral("only"),
                      QStringLiteral("Run only the sources whose name contains this text."),
                      QStringLiteral("text")});
    parser.process(app);
    const int runs = qMax(1, parser.value(QStringLiteral("runs")).toInt());

    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        out() << "zap needs an X display (run it through bench/zap.sh)\n";
        return 2;
    }
    Moments moments;
    LogWatch log(moments);
    ScreenWatch screen(moments);
    if (!screen.open()) {
        out() << "cannot read the X display back\n";
        return 2;
    }
    screen.start();
    VlcInstance::setExtraArguments({QStringLiteral("--aout=dummy")});

    // Streams: the local service when it is there, otherwise files of our own
    // served the same way (a file at full speed, HLS, and a TS paced at its
    // real-time rate).
    QList<Source> sources;
    Service service;
    QTemporaryDir ownMedia;
    QScopedPointer<StreamServer> ownServer;
    QString base = parser.value(QStringLiteral("base"));
    QString origin = base;
    if (base.isEmpty()) {
        const QString mediaDir = parser.isSet(QStringLiteral("media-dir"))
                                     ? parser.value(QStringLiteral("media-dir"))
                                     : QDir(QCoreApplication::applicationDirPath())
                                           .filePath(QStringLiteral("../bench-media"));
        out() << "starting the local service (its clips are made once)...\n";
        out().flush();
        if (service.start(QDir(QCoreApplication::applicationDirPath())
                              .filePath(QStringLiteral("vantero-devservice")),
                          mediaDir)) {
            base = service.base();
            origin = QStringLiteral("local service (vantero-devservice) at ") + base;
        }
    }
    QString liveBase; // a live channel's address; "?z=..." makes distinct ones
    if (!base.isEmpty()) {
        liveBase = base + QStringLiteral("/live/news.ts");
        sources = {{QStringLiteral("MPEG-TS file"), base + QStringLiteral("/media/news.ts")},
                   {QStringLiteral("HLS"), base + QStringLiteral("/hls/news/index.m3u8")},
                   {QStringLiteral("live-rate MPEG-TS"), base + QStringLiteral("/live/news.ts")}};
    } else {
        out() << "no local service: serving clips of our own\n";
        const QString dir = ownMedia.path();
        if (!TestClips::makeTransportStream(QDir(dir).filePath(QStringLiteral("news.ts")), 10) ||
            !TestClips::makeTransportStream(QDir(dir).filePath(QStringLiteral("live.ts")), 30) ||
            !TestClips::makeHls(QDir(dir).filePath(QStringLiteral("hls")), 10)) {
            out() << "ffmpeg could not make the clips\n";
            return 2;
        }
        ownServer.reset(new StreamServer(dir));
        ownServer->setLive(QStringLiteral("live.ts"), 30);
        if (!ownServer->start())
            return 2;
        origin = QStringLiteral("own HTTP server (no local service found)");
        liveBase = ownServer->url(QStringLiteral("live.ts"));
        sources = {
            {QStringLiteral("MPEG-TS file"), ownServer->url(QStringLiteral("news.ts"))},
            {QStringLiteral("HLS"), ownServer->url(QStringLiteral("hls/index.m3u8"))},
            {QStringLiteral("live-rate MPEG-TS"), ownServer->url(QStringLiteral("live.ts"))}};
    }

    if (parser.isSet(QStringLiteral("only"))) {
        const QString only = parser.value(QStringLiteral("only"));
        sources.erase(std::remove_if(sources.begin(), sources.end(),
                                     [&only](const Source &source) {
                                         return !source.name.contains(only, Qt::CaseInsensitive);
                                     }),
                      sources.end());
    }

    Bench bench(screen, moments, log);
    bench.setStockShaderCache(stockCache);
    const QString loadBefore = loadAverage();
    out() << "streams from " << origin << "\n"
          << runs << " runs per player and case, alternating; load average before: " << loadBefore
          << "\n";
    out().flush();

    struct Row {
        QString source, caching;
        QVector<Sample> ours, stock;
    };
    QVector<Row> rows;
    const QStringList cachings = {QStringLiteral("5000"), QStringLiteral("300")};
    for (const Source &source : sources) {
        for (const QString &caching : cachings) {
            Row row{source.name, caching, {}, {}};
            for (int run = 0; run < runs; ++run) {
                // Alternate who goes first, so that neither always follows the other.
                for (int turn = 0; turn < 2; ++turn) {
                    const bool oursNow = (run + turn) % 2 == 0;
                    Sample sample{-1, -1, -1, -1};
                    const bool ok = oursNow ? bench.ours(source.url, caching, sample)
                                            : bench.stock(source.url, caching, sample);
                    (oursNow ? row.ours : row.stock) << sample;
                    out() << QStringLiteral("  %1, %2 ms, run %3, %4: picture %5, buffered %6, "
                                            "screen %7, motion %8%9\n")
                                 .arg(source.name, caching)
                                 .arg(run + 1)
                                 .arg(oursNow ? QStringLiteral("ours") : QStringLiteral("cvlc"))
                                 .arg(sample.firstPicture, 0, 'f', 0)
                                 .arg(sample.bufferingDone, 0, 'f', 0)
                                 .arg(sample.onScreen, 0, 'f', 0)
                                 .arg(sample.motion, 0, 'f', 0)
                                 .arg(ok ? QString() : QStringLiteral(" (incomplete)"));
                    out().flush();
                }
            }
            rows << row;
        }
    }

    struct RapidRow {
        QString caching;
        QVector<RapidSample> ours, stock;
    };
    QVector<RapidRow> rapidRows;
    const bool rapid = !parser.isSet(QStringLiteral("only")) ||
                       QStringLiteral("rapid zap")
                           .contains(parser.value(QStringLiteral("only")), Qt::CaseInsensitive);
    for (const QString &caching : rapid ? cachings : QStringList()) {
        RapidRow row{caching, {}, {}};
        for (int run = 0; run < runs; ++run) {
            for (int turn = 0; turn < 2; ++turn) {
                const bool oursNow = (run + turn) % 2 == 0;
                QStringList urls;
                for (int i = 0; i < rapidSwitches; ++i)
                    urls << liveBase + QStringLiteral("?z=%1-%2-%3-%4")
                                           .arg(caching)
                                           .arg(run)
                                           .arg(oursNow ? QStringLiteral("o") : QStringLiteral("s"))
                                           .arg(i);
                RapidSample sample;
                const bool ok = oursNow ? bench.oursRapid(urls, caching, sample)
                                        : bench.stockRapid(urls, caching, sample);
                (oursNow ? row.ours : row.stock) << sample;
                out() << QStringLiteral("  rapid zap, %1 ms, run %2, %3: last channel's picture "
                                        "%4, longest GUI stall %5%6\n")
                             .arg(caching)
                             .arg(run + 1)
                             .arg(oursNow ? QStringLiteral("ours") : QStringLiteral("cvlc"))
                             .arg(sample.lastPicture, 0, 'f', 0)
                             .arg(sample.longestStall, 0, 'f', 1)
                             .arg(ok ? QString() : QStringLiteral(" (incomplete)"));
                out().flush();
            }
        }
        rapidRows << row;
    }

    out() << "\nload average after: " << loadAverage() << "\n\n";
    out() << "| source | caching | moment | ours (ms) | cvlc (ms) | ratio |\n";
    out() << "|---|---|---|---|---|---|\n";
    const QStringList moments_ = {QStringLiteral("first picture"), QStringLiteral("buffering done"),
                                  QStringLiteral("on screen"), QStringLiteral("motion")};
    for (const Row &row : rows) {
        for (int m = 0; m < 4; ++m) {
            auto pick = [m](const Sample &s) {
                return m == 0   ? s.firstPicture
                       : m == 1 ? s.bufferingDone
                       : m == 2 ? s.onScreen
                                : s.motion;
            };
            QVector<double> ours, stock;
            for (const Sample &s : row.ours)
                ours << pick(s);
            for (const Sample &s : row.stock)
                stock << pick(s);
            const double a = median(ours);
            const double b = median(stock);
            out() << QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 |\n")
                         .arg(row.source, row.caching, moments_[m])
                         .arg(a, 0, 'f', 0)
                         .arg(b, 0, 'f', 0)
                         .arg(a > 0 && b > 0 ? QString::number(a / b, 'f', 2)
                                             : QStringLiteral("n/a"));
        }
    }
    for (const RapidRow &row : rapidRows) {
        QVector<double> ours, stock, stalls;
        double worstStall = -1;
        for (const RapidSample &s : row.ours) {
            ours << s.lastPicture;
            stalls << s.longestStall;
            worstStall = qMax(worstStall, s.longestStall);
        }
        for (const RapidSample &s : row.stock)
            stock << s.lastPicture;
        const double a = median(ours);
        const double b = median(stock);
        const QString source =
            QStringLiteral("rapid zap, %1 live channels in 1 s").arg(rapidSwitches);
        out() << QStringLiteral("| %1 | %2 | last channel's first picture | %3 | %4 | %5 |\n")
                     .arg(source, row.caching)
                     .arg(a, 0, 'f', 0)
                     .arg(b, 0, 'f', 0)
                     .arg(a > 0 && b > 0 ? QString::number(a / b, 'f', 2) : QStringLiteral("n/a"));
        out() << QStringLiteral("| %1 | %2 | longest GUI stall (median / worst) | %3 / %4 | - | "
                                "n/a |\n")
                     .arg(source, row.caching)
                     .arg(median(stalls), 0, 'f', 1)
                     .arg(worstStall, 0, 'f', 1);
    }
    out().flush();
    return 0;
}

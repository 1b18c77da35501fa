// Channel browser benchmarks. Run without arguments, it runs every case in a
// process of its own (so that each peak memory figure is that case's alone)
// and prints a table:
//
// (a) offline playlists of 1,000, 10,000 and 100,000 generated entries:
//     from reload() to the first group painted, and the peak memory of the
//     process; beside it libVLC's own playlist parser opening the same file
//     (the .m3u parsed as a media, its sub-items counted).
// (b) the local service with playlists of 10,000 and 100,000 channels: from
//     reload() to the first group painted, the longest stall of the event
//     loop while the programme data and logos of all channels stream in,
//     the time from an answer's arrival to its row on screen painted, and
//     the peak memory. Beyond 10,000 channels the streaming is measured for
//     a bounded time (--bound seconds, 60 by default): all of 100,000
//     channels' data takes many minutes.
// (c) the one-minute refresh of groups of 1,000 and 100,000 channels.
//
// Needs an X display (xvfb-run) and the local service built beside it.
//     browser [--sizes 1000,10000,100000] [--service-channels 10000,100000]
//             [--bound 60]

#include "DevServiceProcess.h"
#include "SeededPlaylist.h"
#include "TestSupport.h"

#include "app/AppState.h"
#include "app/Clock.h"
#include "channels/HomeWidget.h"
#include "channels/ListItemDelegate.h"
#include "channels/LoadImageUrl.h"
#include "epg/XmlUrl.h"
#include "service/JsonRpc.h"
#include "service/NetworkManager.h"
#include "vlc/VlcInstance.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonObject>
#include <QListWidget>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <sys/resource.h>
#include <vlc/vlc.h>

namespace {

QTextStream out(stdout);

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// An extended M3U of the kind providers hand out: attributes on the track
// line, a group line, twenty groups of equal size.
bool writePlaylist(const QString &path, int entries) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QTextStream stream(&file);
    stream << "#EXTM3U url-tvg=\"http://epg.example/guide.xml\"\n";
    const int perGroup = std::max(1, entries / 20);
    for (int i = 0; i < entries; ++i) {
        const int group = i / perGroup + 1;
        stream << "#EXTINF:-1 tvg-id=\"ch" << i << ".example\" tvg-logo=\"http://logo.example/" << i
               << ".png\" group-title=\"Group " << group << "\",Channel " << i + 1 << '\n'
               << "#EXTGRP:Group " << group << '\n'
               << "http://stream.example/live/" << i << "/index.m3u8\n";
    }
    return stream.status() == QTextStream::Ok;
}

// Time from arm() until the channel list has been painted with the rows of
// a load: the first paint after the page said its first group is shown.
class PaintWatch : public QObject {
public:
    PaintWatch(HomeWidget *home)
        : m_viewport(home->channelList()->viewport()) {
        connect(home, &HomeWidget::groupsShown, this, [this] { m_shown = true; });
        m_viewport->installEventFilter(this);
    }
    void arm() {
        m_shown = false;
        m_painted = false;
        m_clock.start();
    }
    bool wait(int timeoutMs) {
        return QTest::qWaitFor([this] { return m_painted; }, timeoutMs);
    }
    qint64 elapsed() const { return m_elapsed; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched != m_viewport || event->type() != QEvent::Paint || !m_shown || m_painted)
            return false;
        // Painted here and now, so that the time includes the painting.
        m_viewport->removeEventFilter(this);
        QCoreApplication::sendEvent(watched, event);
        m_viewport->installEventFilter(this);
        m_elapsed = m_clock.elapsed();
        m_painted = true;
        return true;
    }

private:
    QWidget *m_viewport;
    QElapsedTimer m_clock;
    bool m_shown = false;
    bool m_painted = false;
    qint64 m_elapsed = -1;
};

// The longest time between two turns of the event loop, seen by a timer
// that asks to run every millisecond.
void stallTick(qint64 gapNs);

class StallWatch : public QObject {
public:
    StallWatch() {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            stallTick(now - m_last);
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
    }
    void start() {
        m_clock.start();
        m_last = 0;
        m_longest = 0;
        m_timer.start();
    }
    double longestMs() const { return m_longest / 1e6; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

// From the last byte of an answer (a programme list, a logo) to the end of
// the paint of the channel list that shows it, for rows on screen. Answers
// are read as they finish, in the same turn of the event loop, so the
// reply that finished last before a row changed is the one it shows.
class ArrivalWatch : public QObject {
public:
    explicit ArrivalWatch(HomeWidget *home)
        : m_list(home->channelList()) {
        m_clock.start();
        connect(NetworkManager::instance(), &QNetworkAccessManager::finished, this,
                [this] { m_lastReply = m_clock.nsecsElapsed(); });
        connect(m_list->model(), &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex &first, const QModelIndex &, const QVector<int> &roles) {
                    if (!m_on || m_lastReply < 0 || m_pending >= 0)
                        return;
                    if (!roles.contains(ListItemDelegate::ProgrammeRole) &&
                        !roles.contains(ListItemDelegate::LogoRole))
                        return;
                    if (!m_list->visualRect(first).intersects(m_list->viewport()->rect()))
                        return;
                    m_pending = m_lastReply;
                });
        m_list->viewport()->installEventFilter(this);
    }
    void start() { m_on = true; }
    void stop() { m_on = false; }
    int count() const { return m_latencies.size(); }
    double quantileMs(double q) {
        if (m_latencies.isEmpty())
            return -1;
        std::sort(m_latencies.begin(), m_latencies.end());
        return m_latencies.at(std::min(int(m_latencies.size() - 1), int(q * m_latencies.size()))) /
               1e6;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() != QEvent::Paint || m_pending < 0)
            return false;
        QWidget *viewport = m_list->viewport();
        viewport->removeEventFilter(this);
        QCoreApplication::sendEvent(watched, event);
        viewport->installEventFilter(this);
        m_latencies << m_clock.nsecsElapsed() - m_pending;
        m_pending = -1;
        return true;
    }

private:
    QListWidget *m_list;
    QElapsedTimer m_clock;
    qint64 m_lastReply = -1;
    qint64 m_pending = -1;
    bool m_on = false;
    QVector<qint64> m_latencies;
};

HomeWidget *showPage() {
    auto *home = new HomeWidget;
    home->resize(1280, 800);
    home->show();
    if (!QTest::qWaitForWindowExposed(home))
        return nullptr;
    return home;
}

// Child: our reader on a playlist file.
int runOffline(const QString &path) {
    AppState &state = appState();
    state.offlineMode = true;
    // The page is built on an empty playlist; the measured load is the
    // first real one.
    QTemporaryDir dir;
    state.playlistSource = dir.filePath(QStringLiteral("empty.m3u"));
    HomeWidget *home = showPage();
    if (!home)
        return 1;
    home->start();
    QTest::qWait(300);
    const double before = peakMegabytes();
    state.playlistSource = path;

    PaintWatch watch(home);
    watch.arm();
    QElapsedTimer clock;
    clock.start();
    home->reload();
    const qint64 parsed = clock.elapsed();
    if (!watch.wait(60000))
        return 1;
    out << "result " << watch.elapsed() << ' ' << parsed << ' ' << home->channelRecords().size()
        << ' ' << before << ' ' << peakMegabytes() << '\n';
    return 0;
}

// Child: libVLC's playlist parser on the same file.
int runVlcParse(const QString &path) {
    const char *arguments[] = {"--quiet", "--no-video-title-show"};
    libvlc_instance_t *instance = libvlc_new(2, arguments);
    if (!instance)
        return 1;
    const double before = peakMegabytes();
    QElapsedTimer clock;
    clock.start();
    libvlc_media_t *media = libvlc_media_new_path(instance, QFile::encodeName(path).constData());
    if (libvlc_media_parse_with_options(media, libvlc_media_parse_local, 120000) != 0)
        return 1;
    while (libvlc_media_get_parsed_status(media) == 0)
        QThread::usleep(200);
    const qint64 elapsed = clock.elapsed();
    int count = -1;
    if (libvlc_media_list_t *items = libvlc_media_subitems(media)) {
        libvlc_media_list_lock(items);
        count = libvlc_media_list_count(items);
        libvlc_media_list_unlock(items);
        libvlc_media_list_release(items);
    }
    out << "result " << elapsed << ' ' << count << ' ' << before << ' ' << peakMegabytes() << '\n';
    libvlc_media_release(media);
    libvlc_release(instance);
    return 0;
}

// Child: the service with a long playlist. With a bound (ms), the warm-up
// load ends at its first group and the measured one after at most that
// long; the result then counts the channels whose programmes were in.
int runService(int channels, int boundMs) {
    JsonRpc::setOnlineCheck([] { return true; });
    QTemporaryDir cache;
    LoadImageUrl::setCacheDirectory(cache.filePath(QStringLiteral("image")));
    ScopedSettings settings;
    DevServiceProcess service(SeededPlaylist::serviceArguments(channels));
    if (!service.start()) {
        QTextStream(stderr) << service.errorString() << '\n';
        return 1;
    }
    if (!SeededPlaylist::select(service, channels))
        return 1;

    HomeWidget *home = showPage();
    if (!home)
        return 1;
    // The first load warms the service's caches and ours; the second is
    // measured.
    QSignalSpy shown(home, &HomeWidget::groupsShown);
    home->start();
    if (!shown.wait(300000))
        return 1;
    const auto finished = [home] {
        if (home->channelRecords().isEmpty() || home->requestsPending() ||
            !home->findChildren<LoadImageUrl *>().isEmpty())
            return false;
        for (const QJsonValue &record : home->channelRecords()) {
            const QJsonObject channel = record.toObject();
            if (channel.value("epg_id").toInt() != 0 &&
                !home->scheduleOf(channel.value("id").toInt()))
                return false;
        }
        return true;
    };
    if (boundMs == 0 && !QTest::qWaitFor(finished, 300000))
        return 1;

    StallWatch stalls;
    PaintWatch watch(home);
    ArrivalWatch arrivals(home);
    QElapsedTimer clock;
    stalls.start();
    watch.arm();
    clock.start();
    home->reload();
    if (!watch.wait(300000))
        return 1;
    const qint64 firstGroup = watch.elapsed();
    // The viewer opens the last group, whose rows have had nothing yet:
    // their answers are the ones timed to the screen.
    arrivals.start();
    home->showGroup(home->groupRecords().size() - 1);
    const bool allArrived = QTest::qWaitFor(finished, boundMs > 0 ? boundMs : 300000);
    if (!allArrived && boundMs == 0)
        return 1;
    const qint64 allIn = allArrived ? clock.elapsed() : -1;
    arrivals.stop();
    int withGuide = 0;
    for (const QJsonValue &record : home->channelRecords()) {
        if (home->scheduleOf(record.toObject().value("id").toInt()))
            ++withGuide;
    }
    out << "result " << firstGroup << ' ' << allIn << ' ' << stalls.longestMs() << ' '
        << home->channelRecords().size() << ' ' << peakMegabytes() << ' ' << withGuide << ' '
        << clock.elapsed() << ' ' << arrivals.count() << ' ' << arrivals.quantileMs(0.5) << ' '
        << arrivals.quantileMs(1.0) << '\n';
    home->stop();
    return 0;
}

// Half-hour programmes in the service's form (UTC texts): seven days from
// three days back, or with days 1 a day from twelve hours back.
QJsonArray weekOfProgrammes(int channel, int days = 7) {
    QJsonArray programmes;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QDateTime first =
        days == 7 ? QDateTime(QDate::currentDate().addDays(-3), QTime(0, 0), Qt::UTC)
                  : QDateTime(now.date(), QTime(now.time().hour(), 0), Qt::UTC).addSecs(-43200);
    for (int slot = 0; slot < days * 48; ++slot) {
        const QDateTime start = first.addSecs(slot * 1800);
        programmes.append(QJsonObject{
            {"start", start.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))},
            {"stop", start.addSecs(1800).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))},
            {"title", QStringLiteral("Programme %1 of channel %2").arg(slot).arg(channel)},
            {"desc", QStringLiteral("What programme %1 is about, in a sentence or two of "
                                    "description as guides carry them.")
                         .arg(slot)}});
    }
    return programmes;
}

// Child: minute ticks on one group with a week of programmes per channel
// (a day each beyond 1,000 channels, which keeps the set-up short; a tick
// only reads the programme running now).
int runTick(const QString &path, int channels) {
    AppState &state = appState();
    state.offlineMode = true;
    state.playlistSource = path;
    HomeWidget *home = showPage();
    if (!home)
        return 1;
    home->start();
    if (home->channelList()->count() != channels)
        return 1;
    const int days = channels > 1000 ? 1 : 7;
    qint64 storeNs = 0;
    for (int i = 0; i < channels; ++i) {
        // A hundred different guides' texts, made as each is stored.
        const QJsonArray week = weekOfProgrammes(i % 100, days);
        int id = home->channelRecords().at(i).toObject().value("id").toInt();
        auto *guide = new XmlUrl(home);
        QElapsedTimer storing;
        storing.start();
        home->EpgDone(id, week, *guide);
        storeNs += storing.nsecsElapsed();
        if (i % 1000 == 999)
            QCoreApplication::processEvents();
    }
    const double storeMs = storeNs / 1e6 / channels;
    QTest::qWait(200);

    const int ticks = 20;
    QVector<double> handler;
    QVector<double> withPaint;
    for (int i = 0; i < ticks; ++i) {
        QTimerEvent tick(home->refreshTimer());
        QElapsedTimer clock;
        clock.start();
        QCoreApplication::sendEvent(home, &tick);
        handler << clock.nsecsElapsed() / 1e6;
        home->channelList()->viewport()->repaint();
        withPaint << clock.nsecsElapsed() / 1e6;
        QTest::qWait(20);
    }
    std::sort(handler.begin(), handler.end());
    std::sort(withPaint.begin(), withPaint.end());
    const QString programme = home->channelList()->item(0)->data(Qt::UserRole + 1).toString();
    out << "result " << handler.at(ticks / 2) << ' ' << handler.last() << ' '
        << withPaint.at(ticks / 2) << ' ' << withPaint.last() << ' '
        << (programme == QLatin1String("...") ? 0 : 1) << ' ' << storeMs << '\n';
    home->stop();
    return 0;
}

// Runs one case in a child process; the fields of its "result" line.
QStringList child(const QStringList &arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QCoreApplication::applicationFilePath(), arguments);
    if (!process.waitForFinished(900000) || process.exitCode() != 0) {
        out << "  (" << arguments.join(' ') << " failed)\n";
        out.flush();
        return {};
    }
    const QStringList lines = QString::fromUtf8(process.readAllStandardOutput()).split('\n');
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1String("result ")))
            return line.mid(7).split(' ');
    }
    return {};
}

QString uptime() {
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).trimmed()
                                          : QString();
}

int runAll(const QList<int> &sizes, const QList<int> &serviceChannels, int boundMs) {
    QTemporaryDir dir;
    out << "load average (1, 5, 15 min): " << uptime() << "\n\n";
    out << "(a) offline playlist: reload() to first group painted, peak memory\n";
    out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7\n")
               .arg("entries", 8)
               .arg("ours ms", 9)
               .arg("reload ms", 9)
               .arg("ours MB", 9)
               .arg("libVLC ms", 10)
               .arg("items", 8)
               .arg("libVLC MB", 10);
    out.flush();
    for (int size : sizes) {
        const QString path = dir.filePath(QStringLiteral("list%1.m3u").arg(size));
        if (!writePlaylist(path, size))
            return 1;
        const QStringList ours = child({QStringLiteral("offline"), path});
        const QStringList vlc = child({QStringLiteral("vlcparse"), path});
        out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7\n")
                   .arg(size, 8)
                   .arg(ours.value(0), 9)
                   .arg(ours.value(1), 9)
                   .arg(ours.value(4), 9)
                   .arg(vlc.value(0), 10)
                   .arg(vlc.value(1), 8)
                   .arg(vlc.value(3), 10);
        out.flush();
    }

    for (const int channels : serviceChannels) {
        const int bound = channels > 10000 ? boundMs : 0;
        out << "\n(b) local service, " << channels << " channels";
        if (bound > 0)
            out << " (measured for at most " << bound / 1000 << " s after the first group)";
        out << '\n';
        out.flush();
        const QStringList service =
            child({QStringLiteral("service"), QString::number(channels), QString::number(bound)});
        out << "  reload() to first group painted: " << service.value(0) << " ms\n"
            << "  reload() to all programme data and logos in: "
            << (service.value(1) == QLatin1String("-1") ? QStringLiteral("not within the bound")
                                                        : service.value(1) + " ms")
            << "\n  channels with programme data by then: " << service.value(5) << " of "
            << service.value(3) << " (" << service.value(6) << " ms after reload())\n"
            << "  longest event-loop stall meanwhile: " << service.value(2) << " ms\n"
            << "  answer in to row on screen painted: median " << service.value(8) << " ms, worst "
            << service.value(9) << " ms (" << service.value(7) << " rows)\n"
            << "  peak memory " << service.value(4) << " MB\n";
    }

    for (const int channels : {1000, 100000}) {
        out << "\n(c) minute tick, one group of " << channels << " channels, "
            << (channels > 1000 ? "1 day" : "7 days") << " of programmes each\n";
        out.flush();
        const QString tickPath = dir.filePath(QStringLiteral("tick%1.m3u").arg(channels));
        {
            QFile file(tickPath);
            if (!file.open(QIODevice::WriteOnly))
                return 1;
            QTextStream stream(&file);
            stream << "#EXTM3U\n";
            for (int i = 0; i < channels; ++i)
                stream << "#EXTINF:-1,Channel " << i + 1 << "\n#EXTGRP:All\nhttp://s/" << i
                       << ".ts\n";
        }
        const QStringList tick =
            child({QStringLiteral("tick"), tickPath, QString::number(channels)});
        out << "  tick handler: median " << tick.value(0) << " ms, worst " << tick.value(1)
            << " ms\n"
            << "  tick with the list repainted: median " << tick.value(2) << " ms, worst "
            << tick.value(3) << " ms\n"
            << "  current programme shown: " << (tick.value(4) == QLatin1String("1") ? "yes" : "no")
            << "\n  storing one channel's programme answer: " << tick.value(5) << " ms\n";
    }
    out << "\nload average (1, 5, 15 min): " << uptime() << '\n';
    return 0;
}

// With VANTERO_TRACE_STALLS=ms set, each stall of at least that long is
// written to stderr with the event deliveries it was made of: what a stall
// figure consists of.
class StallTrace {
public:
    static StallTrace &instance() {
        static StallTrace trace;
        return trace;
    }
    bool on() const { return m_thresholdNs > 0; }
    // The receiver may be gone by then: its class name is read before.
    void delivered(qint64 startNs, qint64 ns, int type, const char *receiver) {
        ++m_count;
        m_sumNs += ns;
        if (ns >= 1000000 && m_deliveries.size() < 10000)
            m_deliveries.push_back({startNs, ns, type, QString::fromLatin1(receiver)});
    }
    // Called by the stall watch at each of its ticks.
    void tick(qint64 gapNs) {
        if (gapNs >= m_thresholdNs && on()) {
            QTextStream err(stderr);
            err << "stall " << gapNs / 1e6 << " ms, " << m_count << " deliveries, " << m_sumNs / 1e6
                << " ms in them:";
            for (const Delivery &d : m_deliveries)
                err << ' ' << d.receiver << '/' << d.type << '=' << d.ns / 1e6;
            err << '\n';
        }
        m_deliveries.clear();
        m_count = 0;
        m_sumNs = 0;
    }

private:
    StallTrace()
        : m_thresholdNs(qEnvironmentVariableIntValue("VANTERO_TRACE_STALLS") * 1000000LL) {}
    struct Delivery {
        qint64 startNs;
        qint64 ns;
        int type;
        QString receiver;
    };
    qint64 m_thresholdNs;
    std::vector<Delivery> m_deliveries;
    int m_count = 0;
    qint64 m_sumNs = 0;
};

void stallTick(qint64 gapNs) {
    StallTrace::instance().tick(gapNs);
}

class TracingApplication : public QApplication {
public:
    TracingApplication(int &argc, char **argv)
        : QApplication(argc, argv) {
        m_clock.start();
    }

    bool notify(QObject *receiver, QEvent *event) override {
        if (!StallTrace::instance().on() || m_depth > 0 || QThread::currentThread() != thread())
            return QApplication::notify(receiver, event);
        const int type = event->type();
        // Timers are told apart by their names.
        const QByteArray name = receiver->objectName().isEmpty()
                                    ? QByteArray(receiver->metaObject()->className())
                                    : receiver->objectName().toLatin1();
        const char *className = name.constData();
        const qint64 start = m_clock.nsecsElapsed();
        ++m_depth;
        const bool handled = QApplication::notify(receiver, event);
        --m_depth;
        StallTrace::instance().delivered(start, m_clock.nsecsElapsed() - start, type, className);
        return handled;
    }

private:
    QElapsedTimer m_clock;
    int m_depth = 0;
};

} // namespace

int main(int argc, char *argv[]) {
    TracingApplication app(argc, argv);
    VlcInstance::setExtraArguments({QStringLiteral("--aout=dummy")});
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    if (mode == QLatin1String("offline"))
        return runOffline(args.value(2));
    if (mode == QLatin1String("vlcparse"))
        return runVlcParse(args.value(2));
    if (mode == QLatin1String("service"))
        return runService(args.value(2).toInt(), args.value(3).toInt());
    if (mode == QLatin1String("tick"))
        return runTick(args.value(2), args.value(3).toInt());

    QList<int> sizes{1000, 10000, 100000};
    QList<int> serviceChannels{10000, 100000};
    int boundMs = 60000;
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--sizes")) {
            sizes.clear();
            for (const QString &size : args.at(i + 1).split(','))
                sizes << size.toInt();
        } else if (args.at(i) == QLatin1String("--service-channels")) {
            serviceChannels.clear();
            for (const QString &size : args.at(i + 1).split(','))
                serviceChannels << size.toInt();
        } else if (args.at(i) == QLatin1String("--bound")) {
            boundMs = args.at(i + 1).toInt() * 1000;
        }
    }
    return runAll(sizes, serviceChannels, boundMs);
}

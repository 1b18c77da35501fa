// vantero-devservice: a local stand-in for the Vantero online TV service.
#include "ClientConfig.h"
#include "Database.h"
#include "Epg.h"
#include "Log.h"
#include "Media.h"
#include "Options.h"
#include "Seed.h"
#include "Servers.h"
#include "Store.h"
#include "TextUtil.h"
#include "Tls.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <future>
#include <mutex>
#include <sys/file.h>
#include <thread>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

using namespace devservice;
namespace fs = std::filesystem;

namespace {

bool writeFileAtomically(const std::string &path, const std::string &content) {
    const std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << content;
        if (!out.flush())
            return false;
    }
    std::error_code ec;
    fs::rename(temp, path, ec);
    return !ec;
}

// Wakes the background upkeep early when the service stops.
struct StopSignal {
    std::mutex mutex;
    std::condition_variable cv;
    bool stopped = false;
};

int run(const Options &options) {
    std::error_code ec;
    fs::create_directories(options.dataDir, ec);
    if (ec) {
        logError("cannot create the data folder " + options.dataDir + ": " + ec.message());
        return 1;
    }
    const std::string dataDir = fs::weakly_canonical(fs::absolute(options.dataDir)).string();
    const std::string mediaDir = fs::weakly_canonical(fs::absolute(options.mediaDir)).string();

    // One service per data folder: two would fight over the database and
    // the ports file.
    const int lock = ::open((dataDir + "/lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock < 0 || flock(lock, LOCK_EX | LOCK_NB) != 0) {
        logError("the data folder " + dataDir + " is in use by another vantero-devservice");
        return 1;
    }

    TlsFiles tls;
    std::string error;
    if (!ensureTlsFiles(dataDir + "/tls", tls, error)) {
        logError(error);
        return 1;
    }
    if (tls.createdAuthority)
        printConsole("Created a certificate authority: " + tls.caCertificate);
    if (tls.createdServer)
        printConsole("Created a server certificate for 127.0.0.1 and localhost: " +
                     tls.serverCertificate);

    Database database(dataDir + "/service.db", 16);
    if (!database.open(error)) {
        logError(error);
        return 1;
    }
    std::int64_t seedPlaylist = 0;
    try {
        if (seedDemoData(database))
            logInfo("wrote the demo accounts, devices, playlists and channels");
        if (options.seedChannels > 0) {
            seedPlaylist = seedBenchmarkPlaylist(database, options.seedChannels);
            logInfo("benchmark playlist " + std::to_string(seedPlaylist) + " holds " +
                    std::to_string(options.seedChannels) + " channels");
        }
        const std::size_t written = topUpProgrammes(database, std::time(nullptr));
        if (written)
            logInfo("wrote " + std::to_string(written) + " programmes");
    } catch (const DatabaseError &e) {
        logError(e.what());
        return 1;
    }
    writeFileAtomically(dataDir + "/demo-accounts.txt", demoCredentialsText() + "\n");
    printConsole(demoCredentialsText());

    MediaLibrary media;
    if (!media.prepare(mediaDir, demoClips(), demoLogos(), error))
        logWarning("streams or logos are missing: " + error);

    const std::string uploadsDir = dataDir + "/uploads";
    fs::create_directories(uploadsDir, ec);
    StoreSettings storeSettings;
    storeSettings.tokenLifetime = options.tokenLifetime;
    storeSettings.uploadsDir = uploadsDir;
    Store store(database, storeSettings);

    const std::string outbox = dataDir + "/sms-outbox.txt";
    std::mutex outboxMutex;
    store.setSmsSender([&outbox, &outboxMutex](const std::string &phone, int code) {
        const std::string text =
            "SMS to +" + phone + ": Your Vantero code is " + std::to_string(code);
        printConsole(text);
        const std::lock_guard<std::mutex> guard(outboxMutex);
        std::ofstream(outbox, std::ios::app)
            << formatUtc(std::time(nullptr)) << " " << text << "\n";
    });

    ServerSettings serverSettings = options.servers;
    serverSettings.certificateFile = tls.serverCertificate;
    serverSettings.keyFile = tls.serverKey;
    serverSettings.uploadsDir = uploadsDir;
    Servers servers(store, media, serverSettings);
    if (!servers.bind(error)) {
        logError(error);
        return 1;
    }
    const BoundPorts ports = servers.ports();
    const std::string host = "127.0.0.1:";
    const std::string apiUrl = "https://" + host + std::to_string(ports.api) + "/api/v1.0/";
    const std::string webUrl = "https://" + host + std::to_string(ports.web);
    const std::string siteUrl = "http://" + host + std::to_string(ports.media) + "/";
    const std::string geoUrl = "http://" + host + std::to_string(ports.geo) + "/json";
    const std::string mediaUrl = "http://" + host + std::to_string(ports.media);
    store.setPublicAddresses({webUrl, mediaUrl});

    nlohmann::json portsJson = {{"api", ports.api},
                                {"web", ports.web},
                                {"geo", ports.geo},
                                {"media", ports.media},
                                {"api_url", apiUrl},
                                {"web_url", webUrl},
                                {"site_url", siteUrl},
                                {"geo_url", geoUrl},
                                {"media_url", mediaUrl},
                                {"ca_file", tls.caCertificate},
                                {"data_dir", dataDir},
                                {"sms_outbox", outbox},
                                {"pid", static_cast<long long>(::getpid())}};
    if (seedPlaylist)
        portsJson["seed_playlist_id"] = seedPlaylist;
    if (!writeFileAtomically(dataDir + "/ports.json", portsJson.dump(2) + "\n")) {
        logError("cannot write " + dataDir + "/ports.json");
        return 1;
    }
    if (!options.clientConfig.empty()) {
        if (!writeIniGroup(options.clientConfig, "service",
                           {{"api_url", apiUrl},
                            {"web_url", webUrl},
                            {"site_url", siteUrl},
                            {"geo_url", geoUrl},
                            {"ca_file", tls.caCertificate}},
                           error)) {
            logError(error);
            return 1;
        }
        printConsole("Wrote the client's service settings into " + options.clientConfig);
    }

    servers.start();
    StopSignal stop;
    std::thread upkeep([&database, &stop] {
        std::unique_lock<std::mutex> guard(stop.mutex);
        while (!stop.cv.wait_for(guard, std::chrono::hours(1), [&stop] { return stop.stopped; })) {
            guard.unlock();
            try {
                topUpProgrammes(database, std::time(nullptr));
            } catch (const DatabaseError &e) {
                logError(std::string("programme upkeep: ") + e.what());
            }
            guard.lock();
        }
    });

    printConsole("SMS codes go to this console and to " + outbox);
    printConsole("Certificate authority for the client (\"ca_file\"): " + tls.caCertificate);
    printConsole("READY api=" + apiUrl + " web=" + webUrl + " geo=" + geoUrl +
                 " media=" + mediaUrl + " ca=" + tls.caCertificate);

    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    int received = 0;
    sigwait(&signals, &received);
    logInfo(std::string("stopping (") + strsignal(received) + ")");

    {
        const std::lock_guard<std::mutex> guard(stop.mutex);
        stop.stopped = true;
    }
    stop.cv.notify_all();
    upkeep.join();
    // Workers finish what they are doing; a client that keeps a connection
    // open must not hold the service up for long. Every commit is already
    // on disk, so leaving without the rest is safe.
    auto stopped = std::async(std::launch::async, [&servers] { servers.stop(); });
    if (stopped.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        logWarning("workers still busy after 5 s; leaving anyway");
        fs::remove(dataDir + "/ports.json", ec);
        std::fflush(nullptr);
        std::_Exit(0);
    }
    fs::remove(dataDir + "/ports.json", ec);
    logInfo("stopped");
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    Options options;
    std::string error;
    if (!parseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "vantero-devservice: %s\n\n%s", error.c_str(), usage().c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(usage().c_str(), stdout);
        return 0;
    }
    setVerboseLogging(options.verbose);

    // Signals are taken by sigwait() in the main thread only; every thread
    // started from here on inherits the mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
#ifdef __linux__
    if (options.exitWithParent)
        prctl(PR_SET_PDEATHSIG, SIGTERM);
#endif

    if (options.prepareMediaOnly) {
        MediaLibrary media;
        if (!media.prepare(options.mediaDir, demoClips(), demoLogos(), error)) {
            logError(error);
            return 1;
        }
        printConsole("Media ready in " + options.mediaDir);
        return 0;
    }
    return run(options);
}

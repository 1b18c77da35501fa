#include "Options.h"

#include <cstdlib>
#include <functional>
#include <map>

namespace devservice {

namespace {

bool toNumber(const std::string &text, long long low, long long high, long long &out) {
    if (text.empty())
        return false;
    char *end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < low || value > high)
        return false;
    out = value;
    return true;
}

bool parseVersion(const std::string &text, ServerSettings &settings) {
    long long parts[3] = {0, 0, 0};
    std::size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        const std::size_t dot = text.find('.', start);
        const bool last = i == 2;
        if (last != (dot == std::string::npos))
            return false;
        const std::string piece = text.substr(start, last ? std::string::npos : dot - start);
        if (!toNumber(piece, 0, 1000000, parts[i]))
            return false;
        start = dot + 1;
    }
    settings.versionMajor = static_cast<int>(parts[0]);
    settings.versionMinor = static_cast<int>(parts[1]);
    settings.versionBuild = static_cast<int>(parts[2]);
    return true;
}

} // namespace

std::string usage() {
    return R"(Usage: vantero-devservice --data DIR [options]

A local stand-in for the Vantero online TV service, on 127.0.0.1 only.

  --data DIR             data folder: database, certificates, SMS outbox (created)
  --media-dir DIR        folder of the generated clips and logos (default DIR/media);
                         several data folders may share one
  --client-config FILE   write the client's "service" settings group into FILE
                         (an INI settings file; other groups are kept)
  --api-port N           JSON-RPC API over HTTPS (default 9000)
  --web-port N           web host over HTTPS: site, version, uploads, logos (default 9443)
  --geo-port N           geolocation over HTTP (default 9080)
  --media-port N         streams and the plain site over HTTP (default 9081)
                         (a port of 0 picks a free one; DIR/ports.json tells which)
  --country CODE         "countryCode" of the geolocation reply (default RU)
  --version-info X.Y.Z   version offered by /updinfo.php (default 1.1.0)
  --token-ttl SECONDS    lifetime of session tokens (default 3600)
  --seed-channels N      add a playlist of N channels (up to 100000) to the first
                         demo account, for benchmarks
  --max-body BYTES       largest API request body (default 1048576)
  --max-upload BYTES     largest playlist upload (default 8388608)
  --threads N            API worker threads (default 128)
  --prepare-media        make the clips and logos, then exit
  --exit-with-parent     stop when the starting process ends (for tests)
  --verbose              log every request
  --help                 this text
)";
}

bool parseOptions(int argc, char **argv, Options &options, std::string &error) {
    ServerSettings &servers = options.servers;
    long long number = 0;
    auto port = [&number](int &target) {
        return [&number, &target](const std::string &value) {
            if (!toNumber(value, 0, 65535, number))
                return false;
            target = static_cast<int>(number);
            return true;
        };
    };
    const std::map<std::string, std::function<bool(const std::string &)>> withValue = {
        {"--data",
         [&](const std::string &v) {
             options.dataDir = v;
             return !v.empty();
         }},
        {"--media-dir",
         [&](const std::string &v) {
             options.mediaDir = v;
             return !v.empty();
         }},
        {"--client-config",
         [&](const std::string &v) {
             options.clientConfig = v;
             return !v.empty();
         }},
        {"--api-port", port(servers.apiPort)},
        {"--web-port", port(servers.webPort)},
        {"--geo-port", port(servers.geoPort)},
        {"--media-port", port(servers.mediaPort)},
        {"--country",
         [&](const std::string &v) {
             servers.countryCode = v;
             return !v.empty() && v.size() <= 8;
         }},
        {"--version-info", [&](const std::string &v) { return parseVersion(v, servers); }},
        {"--token-ttl",
         [&](const std::string &v) {
             return toNumber(v, 1, 10LL * 365 * 24 * 3600, options.tokenLifetime);
         }},
        {"--seed-channels",
         [&](const std::string &v) {
             if (!toNumber(v, 0, 100000, number))
                 return false;
             options.seedChannels = static_cast<int>(number);
             return true;
         }},
        {"--max-body",
         [&](const std::string &v) {
             if (!toNumber(v, 1024, 1LL << 30, number))
                 return false;
             servers.maxApiBody = static_cast<std::size_t>(number);
             return true;
         }},
        {"--max-upload",
         [&](const std::string &v) {
             if (!toNumber(v, 1024, 1LL << 30, number))
                 return false;
             servers.maxUploadBody = static_cast<std::size_t>(number);
             return true;
         }},
        {"--threads",
         [&](const std::string &v) {
             if (!toNumber(v, 1, 1024, number))
                 return false;
             servers.apiThreads = static_cast<int>(number);
             return true;
         }},
    };

    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool hasValue = false;
        const auto equals = arg.find('=');
        if (arg.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = arg.substr(equals + 1);
            arg = arg.substr(0, equals);
            hasValue = true;
        }
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            continue;
        }
        if (arg == "--verbose") {
            options.verbose = true;
            continue;
        }
        if (arg == "--exit-with-parent") {
            options.exitWithParent = true;
            continue;
        }
        if (arg == "--prepare-media") {
            options.prepareMediaOnly = true;
            continue;
        }
        const auto found = withValue.find(arg);
        if (found == withValue.end()) {
            error = "unknown option " + arg;
            return false;
        }
        if (!hasValue) {
            if (i + 1 >= argc) {
                error = arg + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        if (!found->second(value)) {
            error = "bad value for " + arg + ": " + value;
            return false;
        }
    }
    if (options.help)
        return true;
    if (options.dataDir.empty() && !(options.prepareMediaOnly && !options.mediaDir.empty())) {
        error = "--data DIR is required";
        return false;
    }
    if (options.mediaDir.empty())
        options.mediaDir = options.dataDir + "/media";
    return true;
}

} // namespace devservice

#pragma once

#include "Api.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

// The four listeners, all on 127.0.0.1: the JSON-RPC API and the web host
// over HTTPS, the geolocation endpoint and the media host over plain HTTP
// (the video player has no way to trust the service's own authority).
namespace devservice {

class MediaLibrary;
class Store;

struct ServerSettings {
    int apiPort = 9000;
    int webPort = 9443;
    int geoPort = 9080;
    int mediaPort = 9081;
    std::string certificateFile;
    std::string keyFile;
    std::size_t maxApiBody = 1024 * 1024;
    std::size_t maxUploadBody = 8 * 1024 * 1024;
    int apiThreads = 128;
    int webThreads = 64;
    int mediaThreads = 32;
    std::string countryCode = "RU";
    int versionMajor = 1;
    int versionMinor = 1;
    int versionBuild = 0;
    std::string uploadsDir;
};

struct BoundPorts {
    int api = 0;
    int web = 0;
    int geo = 0;
    int media = 0;
};

class Servers {
public:
    Servers(Store &store, const MediaLibrary &media, ServerSettings settings);
    ~Servers();

    // Binds all four sockets (port 0: any free port). False with error set
    // when one cannot be bound.
    bool bind(std::string &error);
    BoundPorts ports() const { return m_ports; }
    // Starts serving on background threads.
    void start();
    // Stops accepting, ends running streams and waits for the workers.
    void stop();

private:
    void setUpApi();
    void setUpWeb();
    void setUpGeo();
    void setUpMedia();
    std::string sitePage() const;

    Store &m_store;
    const MediaLibrary &m_media;
    ServerSettings m_settings;
    Api m_api;
    BoundPorts m_ports;
    std::unique_ptr<httplib::Server> m_apiServer;
    std::unique_ptr<httplib::Server> m_webServer;
    std::unique_ptr<httplib::Server> m_geoServer;
    std::unique_ptr<httplib::Server> m_mediaServer;
    std::vector<std::thread> m_threads;
    std::shared_ptr<std::atomic<bool>> m_stopping;
    std::chrono::steady_clock::time_point m_hlsEpoch;
};

} // namespace devservice

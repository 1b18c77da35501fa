#include "Servers.h"

#include "Log.h"
#include "M3u.h"
#include "Media.h"
#include "Store.h"
#include "TextUtil.h"

#include <httplib.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/ssl.h>
#include <sys/socket.h>

namespace devservice {

namespace {

const char *const loopback = "127.0.0.1";
const char *const jsonType = "application/json; charset=utf-8";

// cpp-httplib listens with a backlog of five. When the client opens one
// connection per logo and per programme request, thousands arrive at once;
// re-listening on the bound socket (Linux updates the backlog) keeps them
// from being dropped and retried seconds later.
template <class Base> class WideBacklog : public Base {
public:
    using Base::Base;
    void widenBacklog() {
        const auto sock = this->svr_sock_.load();
        if (sock != INVALID_SOCKET)
            ::listen(sock, SOMAXCONN);
    }
};
using PlainServer = WideBacklog<httplib::Server>;
using TlsServer = WideBacklog<httplib::SSLServer>;

std::string peer(const httplib::Request &req) {
    return req.remote_addr + ":" + std::to_string(req.remote_port);
}

std::string jsonError(const std::string &error) {
    return Json{{"result", nullptr}, {"error", error}}.dump();
}

// Clients that keep Nagle's algorithm on (Qt's HTTP client does) send a
// POST as two segments, headers then body, and hold the body back until the
// headers are acknowledged; the kernel's delayed acknowledgement then costs
// about 40 ms per request. Acknowledging every incoming TLS record at once
// removes the stall.
void acknowledgeAtOnce(int writeP, int, int contentType, const void *, std::size_t, SSL *ssl,
                       void *) {
    if (writeP == 0 && contentType == SSL3_RT_HEADER) {
        const int fd = SSL_get_fd(ssl);
        const int one = 1;
        if (fd >= 0)
            setsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &one, sizeof one);
    }
}

std::unique_ptr<httplib::Server> makeTlsServer(const std::string &certificate,
                                               const std::string &key) {
    return std::make_unique<TlsServer>([certificate, key](SSL_CTX &ctx) {
        SSL_CTX_set_options(&ctx,
                            SSL_OP_NO_COMPRESSION | SSL_OP_NO_SESSION_RESUMPTION_ON_RENEGOTIATION);
        SSL_CTX_set_min_proto_version(&ctx, TLS1_2_VERSION);
        if (SSL_CTX_use_certificate_chain_file(&ctx, certificate.c_str()) != 1 ||
            SSL_CTX_use_PrivateKey_file(&ctx, key.c_str(), SSL_FILETYPE_PEM) != 1 ||
            SSL_CTX_check_private_key(&ctx) != 1)
            return false;
#ifdef TCP_QUICKACK
        SSL_CTX_set_msg_callback(&ctx, acknowledgeAtOnce);
#endif
        return true;
    });
}

void commonSetUp(httplib::Server &server, const char *name, int threads, bool jsonErrors) {
    // The library's default also sets SO_REUSEPORT, which would let a second
    // service bind the same port and silently take half the connections.
    server.set_socket_options([](socket_t sock) {
        const int one = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    });
    server.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    // An idle kept-alive connection holds a worker, and holds up stopping,
    // for this long.
    server.set_keep_alive_timeout(1);
    // Replies go out as a header write and a body write; without this the
    // second waits for the client's delayed acknowledgement (about 40 ms).
    server.set_tcp_nodelay(true);
    server.set_read_timeout(10, 0);
    server.set_write_timeout(10, 0);
    server.set_logger([name](const httplib::Request &req, const httplib::Response &res) {
        logDebug(std::string(name) + ": " + std::to_string(res.status) + " " + req.method + " " +
                 forLog(req.path) + " from " + peer(req));
    });
    server.set_exception_handler(
        [name](const httplib::Request &req, httplib::Response &res, std::exception_ptr ep) {
            std::string what = "unknown exception";
            try {
                std::rethrow_exception(ep);
            } catch (const std::exception &e) {
                what = e.what();
            } catch (...) {
            }
            logError(std::string(name) + ": failure serving " + forLog(req.path) + ": " + what);
            res.status = 500;
            res.set_content(jsonError("Internal error"), jsonType);
        });
    // Every error the library itself produces (malformed requests, bodies
    // over the limit, unknown paths) is logged and gets a body.
    server.set_error_handler(httplib::Server::HandlerWithResponse(
        [name, jsonErrors](const httplib::Request &req, httplib::Response &res) {
            const std::string text = res.status == 413   ? "Request body too large"
                                     : res.status == 404 ? "Not found"
                                     : res.status == 405 ? "Method not allowed"
                                     : res.status == 400
                                         ? "Bad request"
                                         : "HTTP error " + std::to_string(res.status);
            if (res.status != 404)
                logWarning(std::string(name) + ": " + std::to_string(res.status) + " for " +
                           req.method + " " + forLog(req.path) + " from " + peer(req) + ": " +
                           (res.body.empty() ? text : forLog(res.body)));
            if (!res.body.empty())
                return httplib::Server::HandlerResponse::Unhandled;
            if (jsonErrors)
                res.set_content(jsonError(text), jsonType);
            else
                res.set_content(text + "\n", "text/plain; charset=utf-8");
            return httplib::Server::HandlerResponse::Handled;
        }));
}

// The client sends its requests (one per channel for the guide and for the
// logo) over a few kept-alive connections per host: let a connection carry
// many requests, but do not let an idle one pin a worker for long.
void keepAliveForBursts(httplib::Server &server) {
    server.set_keep_alive_max_count(1000);
    server.set_keep_alive_timeout(1);
}

bool bindServer(httplib::Server &server, int wanted, int &bound) {
    if (wanted == 0) {
        bound = server.bind_to_any_port(loopback);
        return bound > 0;
    }
    bound = wanted;
    return server.bind_to_port(loopback, wanted);
}

// Only the last path element, cut to a sane length: the name is shown as the
// playlist's source, never used to name a file.
std::string cleanFileName(const std::string &name) {
    std::string base = name.substr(name.find_last_of("/\\") + 1);
    if (!isValidUtf8(base) || hasControlCharacters(base))
        base = "playlist";
    return base.substr(0, 200);
}

bool acceptableTitle(const std::string &title) {
    const std::string trimmed = trim(title);
    return !trimmed.empty() && trimmed != "." && trimmed != ".." && isValidUtf8(title) &&
           !hasControlCharacters(title) && title.find_first_of("/\\") == std::string::npos &&
           utf8Length(title) <= 100;
}

bool isHex(const std::string &text) {
    if (text.empty())
        return false;
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

} // namespace

Servers::Servers(Store &store, const MediaLibrary &media, ServerSettings settings)
    : m_store(store)
    , m_media(media)
    , m_settings(std::move(settings))
    , m_api(store)
    , m_stopping(std::make_shared<std::atomic<bool>>(false))
    // The live HLS stream pretends to have started a minute ago, so that its
    // first playlist already lists a few segments.
    , m_hlsEpoch(std::chrono::steady_clock::now() - std::chrono::seconds(60)) {}

Servers::~Servers() {
    stop();
}

bool Servers::bind(std::string &error) {
    m_apiServer = makeTlsServer(m_settings.certificateFile, m_settings.keyFile);
    m_webServer = makeTlsServer(m_settings.certificateFile, m_settings.keyFile);
    m_geoServer = std::make_unique<PlainServer>();
    m_mediaServer = std::make_unique<PlainServer>();
    if (!m_apiServer->is_valid() || !m_webServer->is_valid()) {
        error = "cannot load the server certificate " + m_settings.certificateFile;
        return false;
    }
    setUpApi();
    setUpWeb();
    setUpGeo();
    setUpMedia();

    struct Entry {
        httplib::Server *server;
        int wanted;
        int *bound;
        const char *name;
    };
    const Entry entries[] = {
        {m_apiServer.get(), m_settings.apiPort, &m_ports.api, "API"},
        {m_webServer.get(), m_settings.webPort, &m_ports.web, "web"},
        {m_geoServer.get(), m_settings.geoPort, &m_ports.geo, "geolocation"},
        {m_mediaServer.get(), m_settings.mediaPort, &m_ports.media, "media"},
    };
    for (const Entry &entry : entries) {
        if (!bindServer(*entry.server, entry.wanted, *entry.bound)) {
            error = std::string("cannot listen on 127.0.0.1:") + std::to_string(entry.wanted) +
                    " for the " + entry.name + " server (is the port in use?)";
            return false;
        }
    }
    static_cast<TlsServer *>(m_apiServer.get())->widenBacklog();
    static_cast<TlsServer *>(m_webServer.get())->widenBacklog();
    static_cast<PlainServer *>(m_geoServer.get())->widenBacklog();
    static_cast<PlainServer *>(m_mediaServer.get())->widenBacklog();
    return true;
}

void Servers::start() {
    for (httplib::Server *server :
         {m_apiServer.get(), m_webServer.get(), m_geoServer.get(), m_mediaServer.get()}) {
        m_threads.emplace_back([server] { server->listen_after_bind(); });
    }
}

void Servers::stop() {
    m_stopping->store(true);
    for (auto *server :
         {m_apiServer.get(), m_webServer.get(), m_geoServer.get(), m_mediaServer.get()}) {
        if (server)
            server->stop();
    }
    for (std::thread &thread : m_threads) {
        if (thread.joinable())
            thread.join();
    }
    m_threads.clear();
}

std::string Servers::sitePage() const {
    return R"HTML(<!DOCTYPE html>
<html lang="en">
<head><meta charset="utf-8"><title>Vantero</title>
<style>body{font-family:Arial,sans-serif;background:#ebebeb;margin:0}
header{background:#6288a6;color:#fff;padding:18px 32px;font-size:24px}
main{padding:24px 32px;max-width:720px}</style></head>
<body><header>Vantero online TV</header><main>
<p>Welcome to Vantero: television on your computer.</p>
<p>To bind playlists to a device, sign in with the Vantero program, register the
computer as a device and add a playlist by direct link or from a file.</p>
<p>This is the local development service. Its demo accounts are printed when it
starts and listed in the file <code>demo-accounts.txt</code> of its data folder.</p>
</main></body></html>
)HTML";
}

void Servers::setUpApi() {
    httplib::Server &server = *m_apiServer;
    commonSetUp(server, "api", m_settings.apiThreads, true);
    server.set_payload_max_length(m_settings.maxApiBody);
    keepAliveForBursts(server);
    auto handler = [this](const httplib::Request &req, httplib::Response &res) {
        const Api::Reply reply = m_api.handle(req.body);
        if (reply.badInput)
            logWarning("api: refused a request from " + peer(req) + ": " + reply.error);
        else if (!reply.error.empty())
            logDebug("api: " + reply.method + " -> " + reply.error);
        else
            logDebug("api: " + reply.method + " ok");
        res.set_content(reply.body, jsonType);
    };
    server.Post("/api/v1.0/", handler);
    server.Post("/api/v1.0", handler);
    auto wrongMethod = [](const httplib::Request &, httplib::Response &res) {
        res.status = 405;
        res.set_header("Allow", "POST");
        res.set_content(Api::errorBody("Method not allowed: use POST"), jsonType);
    };
    server.Get("/api/v1.0/", wrongMethod);
    server.Get("/api/v1.0", wrongMethod);
}

void Servers::setUpWeb() {
    httplib::Server &server = *m_webServer;
    commonSetUp(server, "web", m_settings.webThreads, false);
    server.set_payload_max_length(m_settings.maxUploadBody);
    keepAliveForBursts(server);

    server.Get("/", [this](const httplib::Request &, httplib::Response &res) {
        res.set_content(sitePage(), "text/html; charset=utf-8");
    });
    server.Get("/updinfo.php", [this](const httplib::Request &, httplib::Response &res) {
        res.set_content(Json{{"MajorVersion", m_settings.versionMajor},
                             {"MinorVersion", m_settings.versionMinor},
                             {"Build", m_settings.versionBuild}}
                            .dump(),
                        jsonType);
    });
    server.Get(R"(/logos/([a-z0-9-]{1,64})\.png)",
               [this](const httplib::Request &req, httplib::Response &res) {
                   const auto png = m_media.logo(req.matches[1]);
                   if (!png) {
                       res.status = 404;
                       return;
                   }
                   res.set_content_provider(
                       png->size(), "image/png",
                       [png](std::size_t offset, std::size_t length, httplib::DataSink &sink) {
                           return sink.write(png->data() + offset, length);
                       });
               });
    // Any playlist as extended M3U: a direct link to add elsewhere.
    server.Get(R"(/playlists/([0-9]{1,12})\.m3u8?)",
               [this](const httplib::Request &req, httplib::Response &res) {
                   try {
                       res.set_content(m_store.exportM3u(std::stoll(req.matches[1])),
                                       "audio/x-mpegurl; charset=utf-8");
                   } catch (const ServiceError &) {
                       res.status = 404;
                   }
               });
    // A redirect for trying clients: /redirect?to=<address>[&hops=N]
    // answers 302 to the address, after N - 1 more hops through here. Only
    // paths of this host and addresses of 127.0.0.1 are offered.
    server.Get("/redirect", [](const httplib::Request &req, httplib::Response &res) {
        const std::string to = req.get_param_value("to");
        const bool local = (to.size() > 1 && to[0] == '/' && to[1] != '/') ||
                           to.rfind("http://127.0.0.1:", 0) == 0 ||
                           to.rfind("https://127.0.0.1:", 0) == 0;
        if (!local) {
            res.status = 400;
            res.set_content("to: a path or an address of 127.0.0.1", "text/plain");
            return;
        }
        int hops = 1;
        const std::string hopsText = req.get_param_value("hops");
        if (!hopsText.empty() && hopsText.size() <= 2 &&
            hopsText.find_first_not_of("0123456789") == std::string::npos)
            hops = std::max(1, std::stoi(hopsText));
        res.status = 302;
        res.set_header("Location", hops > 1 ? "/redirect?hops=" + std::to_string(hops - 1) +
                                                  "&to=" + httplib::detail::encode_query_param(to)
                                            : to);
    });
    server.Post(R"(/upload/playlist/([^/]*)/([\s\S]*))", [this](const httplib::Request &req,
                                                                httplib::Response &res) {
        auto refuse = [&](int status, const std::string &error) {
            logWarning("web: upload from " + peer(req) + " refused: " + error);
            res.status = status;
            res.set_content(jsonError(error), jsonType);
        };
        const std::string hash = req.matches[1];
        const std::string title = req.matches[2];
        if (!req.is_multipart_form_data())
            return refuse(400, "Expected a multipart/form-data body");
        if (!req.has_file("inplaylist"))
            return refuse(400, "The form has no \"inplaylist\" part");
        if (!acceptableTitle(title))
            return refuse(400, "Invalid playlist title");
        if (hash.size() != 32 || !isHex(hash))
            return refuse(403, "Invalid upload hash");
        const httplib::MultipartFormData file = req.get_file_value("inplaylist");
        if (trim(file.content).empty())
            return refuse(400, "The playlist file is empty");
        if (!looksLikeM3u(file.content))
            return refuse(415, "Unsupported playlist format: send M3U or M3U8");

        Session session;
        try {
            session = m_store.consumeUploadHash(hash);
        } catch (const ServiceError &e) {
            return refuse(403, e.what());
        }
        const M3uPlaylist playlist = parseM3u(file.content);
        if (playlist.entries.empty())
            return refuse(422, "The playlist holds no channels");
        const std::string cleanTitle = trim(title);
        const std::int64_t id = m_store.addPlaylist(session.deviceId, cleanTitle, playlist);
        if (!m_settings.uploadsDir.empty()) {
            // Kept for inspection; the file is named by the service.
            std::ofstream(m_settings.uploadsDir + "/" + std::to_string(id) + ".m3u",
                          std::ios::binary)
                << file.content;
        }
        logInfo("web: playlist " + std::to_string(id) + " \"" + forLog(cleanTitle) + "\" (" +
                forLog(cleanFileName(file.filename)) + ") with " +
                std::to_string(playlist.entries.size()) + " channels uploaded for device " +
                std::to_string(session.deviceId) +
                (playlist.skippedLines
                     ? " (" + std::to_string(playlist.skippedLines) + " lines skipped)"
                     : std::string()));
        res.set_content(Json{{"result",
                              {{"id", id},
                               {"channels", playlist.entries.size()},
                               {"groups", playlist.groups.size()},
                               {"truncated", playlist.truncated}}},
                             {"error", ""}}
                            .dump(),
                        jsonType);
    });
}

void Servers::setUpGeo() {
    httplib::Server &server = *m_geoServer;
    commonSetUp(server, "geo", 4, true);
    server.set_payload_max_length(64 * 1024);
    server.Get("/json", [this](const httplib::Request &req, httplib::Response &res) {
        res.set_content(Json{{"status", "success"},
                             {"countryCode", m_settings.countryCode},
                             {"query", req.remote_addr}}
                            .dump(),
                        jsonType);
    });
}

void Servers::setUpMedia() {
    httplib::Server &server = *m_mediaServer;
    commonSetUp(server, "media", m_settings.mediaThreads, false);
    server.set_payload_max_length(64 * 1024);

    server.Get("/", [this](const httplib::Request &, httplib::Response &res) {
        res.set_content(sitePage(), "text/html; charset=utf-8");
    });

    // A clip at full speed, with byte ranges.
    server.Get(R"(/media/([a-z0-9-]{1,32})\.ts)",
               [this](const httplib::Request &req, httplib::Response &res) {
                   const auto clip = m_media.clip(req.matches[1]);
                   if (!clip) {
                       res.status = 404;
                       return;
                   }
                   res.set_content_provider(
                       clip->data.size(), "video/mp2t",
                       [clip](std::size_t offset, std::size_t length, httplib::DataSink &sink) {
                           return sink.write(clip->data.data() + offset, length);
                       });
               });

    // A clip with two audio tracks and subtitles, with byte ranges.
    server.Get(R"(/media/([a-z0-9-]{1,32})\.mkv)",
               [this](const httplib::Request &req, httplib::Response &res) {
                   const auto file = m_media.tracksClip(req.matches[1]);
                   if (!file) {
                       res.status = 404;
                       return;
                   }
                   res.set_content_provider(
                       file->size(), "video/x-matroska",
                       [file](std::size_t offset, std::size_t length, httplib::DataSink &sink) {
                           return sink.write(file->data() + offset, length);
                       });
               });

    // A live channel: the clip looped without end, each packet sent when its
    // clock reference falls due, a tenth of a second ahead.
    server.Get(R"(/live/([a-z0-9-]{1,32})\.ts)", [this](const httplib::Request &req,
                                                        httplib::Response &res) {
        const auto clip = m_media.clip(req.matches[1]);
        if (!clip || clip->packetTimes.empty() || clip->period <= 0) {
            res.status = 404;
            return;
        }
        logInfo("media: live stream " + std::string(req.matches[1]) + " to " + peer(req));
        struct Position {
            std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
            std::uint64_t next = 0; // packets sent, counted over all passes
        };
        auto position = std::make_shared<Position>();
        auto stopping = m_stopping;
        // A live stream has no byte ranges: answer a ranged request (players
        // send "bytes=0-") with the whole stream, not a partial one.
        res.status = 200;
        res.set_header("Cache-Control", "no-cache");
        res.set_chunked_content_provider("video/mp2t", [clip, position, stopping](
                                                           std::size_t, httplib::DataSink &sink) {
            constexpr double lead = 0.1;
            const std::uint64_t packets = clip->packetTimes.size();
            if (stopping->load())
                return false;
            const double elapsed =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - position->start)
                    .count() +
                lead;
            auto due = [&](std::uint64_t n) {
                return double(n / packets) * clip->period + clip->packetTimes[n % packets];
            };
            std::uint64_t end = position->next;
            while (due(end) <= elapsed && end - position->next < 4096)
                ++end;
            while (position->next < end) {
                const std::uint64_t index = position->next % packets;
                const std::uint64_t run =
                    std::min<std::uint64_t>(end - position->next, packets - index);
                if (!sink.is_writable() || !sink.write(clip->data.data() + index * 188, run * 188))
                    return false;
                position->next += run;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            return true;
        });
    });

    // A live HLS channel: a sliding window over the clip's segments, looping,
    // with a discontinuity where the clip starts again.
    server.Get(R"(/hls/([a-z0-9-]{1,32})/index\.m3u8)", [this](const httplib::Request &req,
                                                               httplib::Response &res) {
        const auto hls = m_media.hls(req.matches[1]);
        if (!hls) {
            res.status = 404;
            return;
        }
        const std::uint64_t k = hls->segments.size();
        double cycle = 0;
        for (const double d : hls->durations)
            cycle += d;
        const double t =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - m_hlsEpoch).count();
        const auto loops = static_cast<std::uint64_t>(std::floor(t / cycle));
        double inLoop = t - double(loops) * cycle;
        std::uint64_t completed = loops * k;
        for (const double d : hls->durations) {
            if (inLoop < d)
                break;
            inLoop -= d;
            ++completed;
        }
        const std::uint64_t window = 4;
        const std::uint64_t first = completed > window ? completed - window : 0;
        std::string text =
            "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:" +
            std::to_string(hls->targetDuration) +
            "\n#EXT-X-MEDIA-SEQUENCE:" + std::to_string(first) +
            "\n#EXT-X-DISCONTINUITY-SEQUENCE:" + std::to_string(first > 0 ? (first - 1) / k : 0) +
            "\n";
        for (std::uint64_t n = first; n < completed; ++n) {
            if (n > 0 && n % k == 0)
                text += "#EXT-X-DISCONTINUITY\n";
            char line[64];
            std::snprintf(line, sizeof line, "#EXTINF:%.3f,\n", hls->durations[n % k]);
            text += line;
            text += "seg" + std::to_string(n) + ".ts\n";
        }
        res.set_header("Cache-Control", "no-cache");
        res.set_content(text, "application/vnd.apple.mpegurl");
    });
    server.Get(R"(/hls/([a-z0-9-]{1,32})/seg([0-9]{1,15})\.ts)",
               [this](const httplib::Request &req, httplib::Response &res) {
                   const auto hls = m_media.hls(req.matches[1]);
                   if (!hls) {
                       res.status = 404;
                       return;
                   }
                   const std::uint64_t n = std::stoull(req.matches[2]);
                   const std::string &segment = hls->segments[n % hls->segments.size()];
                   res.set_content_provider(
                       segment.size(), "video/mp2t",
                       [hls, n](std::size_t offset, std::size_t length, httplib::DataSink &sink) {
                           const std::string &s = hls->segments[n % hls->segments.size()];
                           return sink.write(s.data() + offset, length);
                       });
               });
}

} // namespace devservice

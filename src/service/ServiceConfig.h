#pragma once

#include <QString>
#include <QUrl>

// Where the online service lives. Read once at start-up from the settings
// group "service"; every address falls back to the production host.
struct ServiceConfig {
    QUrl apiUrl;    // JSON-RPC endpoint (HTTPS, port 9000, /api/v1.0/)
    QUrl webUrl;    // web host: /updinfo.php, /upload/playlist/..., logos
    QUrl siteUrl;   // public web site opened in the browser (plain HTTP)
    QUrl geoUrl;    // IP geolocation endpoint (/json)
    QString caFile; // optional PEM file of extra certificate authorities

    // An address on the web host: path is appended to webUrl (without its
    // trailing slash) and the result parsed leniently, so characters that
    // a path cannot hold are percent-encoded.
    QUrl webAddress(const QString &path) const;

    static ServiceConfig defaults();
    static ServiceConfig fromSettings();
};

// The configuration of this run; defaults until start-up loads the store.
const ServiceConfig &serviceConfig();
void setServiceConfig(const ServiceConfig &config);

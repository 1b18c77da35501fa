#include "service/ServiceConfig.h"

#include "app/SettingsKeys.h"

#include <QSettings>

namespace {

// The production hosts, kept in this one place.
constexpr char defaultApiUrl[] = "https://api.vantero.example:9000/api/v1.0/";
constexpr char defaultWebUrl[] = "https://www.vantero.example";
constexpr char defaultGeoUrl[] = "http://geo.vantero.example/json";

QUrl siteFromWeb(const QUrl &web) {
    QUrl site;
    site.setScheme(QStringLiteral("http"));
    site.setHost(web.host());
    site.setPath(QStringLiteral("/"));
    return site;
}

ServiceConfig &current() {
    static ServiceConfig config = ServiceConfig::defaults();
    return config;
}

} // namespace

QUrl ServiceConfig::webAddress(const QString &path) const {
    return QUrl(webUrl.toString(QUrl::StripTrailingSlash) + path, QUrl::TolerantMode);
}

ServiceConfig ServiceConfig::defaults() {
    ServiceConfig config;
    config.apiUrl = QUrl(QString::fromLatin1(defaultApiUrl));
    config.webUrl = QUrl(QString::fromLatin1(defaultWebUrl));
    config.siteUrl = siteFromWeb(config.webUrl);
    config.geoUrl = QUrl(QString::fromLatin1(defaultGeoUrl));
    return config;
}

ServiceConfig ServiceConfig::fromSettings() {
    ServiceConfig config = defaults();
    QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
    settings.beginGroup(SettingsKeys::groupService);
    auto readUrl = [&settings](const char *key, QUrl &target) {
        const QString text = settings.value(key).toString().trimmed();
        const QUrl url(text, QUrl::StrictMode);
        if (!text.isEmpty() && url.isValid() && !url.host().isEmpty())
            target = url;
    };
    readUrl(SettingsKeys::apiUrl, config.apiUrl);
    readUrl(SettingsKeys::webUrl, config.webUrl);
    config.siteUrl = siteFromWeb(config.webUrl);
    readUrl(SettingsKeys::siteUrl, config.siteUrl);
    readUrl(SettingsKeys::geoUrl, config.geoUrl);
    config.caFile = settings.value(SettingsKeys::caFile).toString();
    settings.endGroup();
    return config;
}

const ServiceConfig &serviceConfig() {
    return current();
}

void setServiceConfig(const ServiceConfig &config) {
    current() = config;
}

#include "DevServiceProcess.h"

#include "app/SettingsKeys.h"
#include "service/JsonRpc.h"
#include "service/ServiceConfig.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSettings>
#include <QTimer>

DevServiceProcess::DevServiceProcess(const QStringList &extraArguments)
    : m_extraArguments(extraArguments) {}

DevServiceProcess::~DevServiceProcess() {
    stop();
}

QString DevServiceProcess::binaryPath() {
    const QString fromEnvironment = qEnvironmentVariable("VANTERO_DEVSERVICE");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
#ifdef VANTERO_DEVSERVICE_BINARY
    return QStringLiteral(VANTERO_DEVSERVICE_BINARY);
#else
    return QCoreApplication::applicationDirPath() + QStringLiteral("/vantero-devservice");
#endif
}

QString DevServiceProcess::mediaDir() {
    const QString fromEnvironment = qEnvironmentVariable("VANTERO_DEVSERVICE_MEDIA");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
#ifdef VANTERO_DEVSERVICE_MEDIA_DIR
    return QStringLiteral(VANTERO_DEVSERVICE_MEDIA_DIR);
#else
    return QDir::tempPath() + QStringLiteral("/vantero-devservice-media");
#endif
}

QString DevServiceProcess::dataDir() const {
    return m_dir.path() + QStringLiteral("/data");
}

bool DevServiceProcess::start(int timeoutMs) {
    return launch({QStringLiteral("--api-port"), QStringLiteral("0"), QStringLiteral("--web-port"),
                   QStringLiteral("0"), QStringLiteral("--geo-port"), QStringLiteral("0"),
                   QStringLiteral("--media-port"), QStringLiteral("0")},
                  timeoutMs);
}

bool DevServiceProcess::restart(bool samePorts, int timeoutMs) {
    const QJsonObject previous = m_ports;
    stop();
    if (!samePorts || previous.isEmpty())
        return start(timeoutMs);
    QStringList ports;
    for (const char *name : {"api", "web", "geo", "media"}) {
        ports << QStringLiteral("--%1-port").arg(QLatin1String(name))
              << QString::number(previous.value(QLatin1String(name)).toInt());
    }
    return launch(ports, timeoutMs);
}

bool DevServiceProcess::launch(const QStringList &portArguments, int timeoutMs) {
    m_error.clear();
    m_ports = QJsonObject();
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    const QString program = binaryPath();
    if (!QFile::exists(program)) {
        m_error = QStringLiteral("the service binary %1 is missing").arg(program);
        return false;
    }
    m_process.reset(new QProcess);
    m_process->setProgram(program);
    m_process->setArguments(QStringList{QStringLiteral("--data"), dataDir(),
                                        QStringLiteral("--media-dir"), mediaDir(),
                                        QStringLiteral("--exit-with-parent")}
                            << portArguments << m_extraArguments);
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    m_process->start();
    if (!m_process->waitForStarted(10000)) {
        m_error = QStringLiteral("cannot start %1: %2").arg(program, m_process->errorString());
        return false;
    }

    // Only this run's output counts; a restart keeps the earlier output.
    const int from = m_output.size();
    const QDeadlineTimer deadline(timeoutMs);
    bool ready = false;
    while (!ready && !deadline.hasExpired()) {
        if (m_process->state() != QProcess::Running && m_process->bytesAvailable() == 0)
            break;
        m_process->waitForReadyRead(100);
        m_output += m_process->readAll();
        const int at = m_output.indexOf("READY ", from);
        ready =
            at >= 0 && (at == 0 || m_output.at(at - 1) == '\n') && m_output.indexOf('\n', at) > at;
    }
    if (!ready) {
        m_error = QStringLiteral("the service did not come up:\n%1").arg(output());
        stop();
        return false;
    }

    QFile portsFile(dataDir() + QStringLiteral("/ports.json"));
    if (!portsFile.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("no ports.json in %1").arg(dataDir());
        return false;
    }
    m_ports = QJsonDocument::fromJson(portsFile.readAll()).object();
    // Keep draining the output, so that it is there for a failing test.
    QObject::connect(m_process.data(), &QProcess::readyRead, m_process.data(),
                     [this] { m_output += m_process->readAll(); });
    applyClientSettings();
    return true;
}

void DevServiceProcess::stop() {
    if (!m_process)
        return;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(10000)) {
            m_process->kill();
            m_process->waitForFinished(5000);
        }
    }
    m_output += m_process->readAll();
    m_process.reset();
}

void DevServiceProcess::kill() {
    if (!m_process)
        return;
    m_process->kill();
    m_process->waitForFinished(5000);
    m_output += m_process->readAll();
    m_process.reset();
}

bool DevServiceProcess::isRunning() const {
    return m_process && m_process->state() == QProcess::Running;
}

QString DevServiceProcess::output() const {
    return QString::fromUtf8(m_output);
}

QString DevServiceProcess::caFile() const {
    return m_ports.value(QLatin1String("ca_file")).toString();
}

QUrl DevServiceProcess::apiUrl() const {
    return QUrl(m_ports.value(QLatin1String("api_url")).toString());
}

QUrl DevServiceProcess::webUrl() const {
    return QUrl(m_ports.value(QLatin1String("web_url")).toString());
}

QUrl DevServiceProcess::siteUrl() const {
    return QUrl(m_ports.value(QLatin1String("site_url")).toString());
}

QUrl DevServiceProcess::geoUrl() const {
    return QUrl(m_ports.value(QLatin1String("geo_url")).toString());
}

QUrl DevServiceProcess::mediaUrl() const {
    return QUrl(m_ports.value(QLatin1String("media_url")).toString());
}

void DevServiceProcess::applyClientSettings() const {
    {
        QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
        // Only a test's own store is written: without a ScopedSettings the
        // store is the user's, and the configuration is set in memory only.
        if (!QFileInfo(settings.fileName()).absoluteFilePath().startsWith(QDir::tempPath())) {
            qWarning("DevServiceProcess: no test settings store (ScopedSettings); "
                     "the service addresses are set in memory only");
            ServiceConfig config = ServiceConfig::defaults();
            config.apiUrl = apiUrl();
            config.webUrl = webUrl();
            config.siteUrl = siteUrl();
            config.geoUrl = geoUrl();
            config.caFile = caFile();
            setServiceConfig(config);
            return;
        }
        settings.beginGroup(SettingsKeys::groupService);
        settings.setValue(SettingsKeys::apiUrl, apiUrl().toString());
        settings.setValue(SettingsKeys::webUrl, webUrl().toString());
        settings.setValue(SettingsKeys::siteUrl, siteUrl().toString());
        settings.setValue(SettingsKeys::geoUrl, geoUrl().toString());
        settings.setValue(SettingsKeys::caFile, caFile());
        settings.endGroup();
    }
    setServiceConfig(ServiceConfig::fromSettings());
}

int DevServiceProcess::lastSmsCode(const QString &phoneDigits) const {
    QFile outbox(dataDir() + QStringLiteral("/sms-outbox.txt"));
    if (!outbox.open(QIODevice::ReadOnly))
        return -1;
    const QRegularExpression line(QStringLiteral("to \\+%1: Your Vantero code is (\\d+)")
                                      .arg(QRegularExpression::escape(phoneDigits)));
    int code = -1;
    for (const QString &text : QString::fromUtf8(outbox.readAll()).split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch match = line.match(text);
        if (match.hasMatch())
            code = match.captured(1).toInt();
    }
    return code;
}

QJsonValue DevServiceProcess::call(const QString &method, const QJsonArray &params, QString *error,
                                   int timeoutMs) const {
    JsonRpc rpc;
    QEventLoop loop;
    QJsonValue result = QJsonValue::Undefined;
    QString failure = QStringLiteral("timeout");
    QObject::connect(&rpc, &JsonRpc::done, &loop, [&](const QJsonValue &value) {
        result = value;
        failure.clear();
        loop.quit();
    });
    QObject::connect(&rpc, &JsonRpc::error, &loop, [&](const QString &text) {
        failure = text;
        loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    rpc.call(apiUrl(), method, params);
    if (failure == QLatin1String("timeout"))
        loop.exec();
    if (error)
        *error = failure;
    return failure.isEmpty() ? result : QJsonValue(QJsonValue::Undefined);
}

QString DevServiceProcess::login(const QString &user, const QString &password,
                                 const QString &deviceKey) const {
    return call(QStringLiteral("login"), QJsonArray{user, password, deviceKey}).toString();
}

int DevServiceProcess::playlistId(const QString &deviceKey, const QString &title,
                                  const QString &user, const QString &password) const {
    const QString token = login(user, password, deviceKey);
    const QJsonArray playlists = call(QStringLiteral("get_playlists"), QJsonArray{token}).toArray();
    for (const QJsonValue &playlist : playlists) {
        if (playlist[QLatin1String("title")].toString() == title)
            return playlist[QLatin1String("id")].toInt();
    }
    return 0;
}

QString DevServiceProcess::demoDeviceKey(const QString &user, const QString &password) const {
    const QString token = login(user, password);
    const QJsonArray devices =
        call(QStringLiteral("get_devices"), QJsonArray{QLatin1String(demoPlatform), token})
            .toArray();
    call(QStringLiteral("logout"), QJsonArray{token});
    for (const QJsonValue &device : devices) {
        if (device[QLatin1String("name")].toString() == QLatin1String(demoDevice))
            return device[QLatin1String("key")].toString();
    }
    return QString();
}

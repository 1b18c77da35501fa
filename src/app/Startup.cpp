#include "app/Startup.h"

#include "app/AppState.h"
#include "app/DataPaths.h"
#include "app/MainWindow.h"
#include "app/SettingsKeys.h"
#include "desktop/DesktopIntegration.h"
#include "desktop/SingleInstance.h"
#include "service/JsonRpc.h"
#include "service/ServiceConfig.h"
#include "update/CheckUpdate.h"

#include <QApplication>
#include <QDebug>
#include <QIcon>
#include <QLocale>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QSettings>
#include <QTranslator>
#include <QUrl>

namespace Startup {

QString languageForLocale(const QString &localeName) {
    return localeName == QLatin1String("ru_RU") ? QStringLiteral("lang_ru")
                                                : QStringLiteral("lang_en");
}

void setupProxy(const QUrl &apiUrl) {
    const QNetworkProxyQuery query(apiUrl, QNetworkProxyQuery::UrlRequest);
    const QList<QNetworkProxy> proxies = QNetworkProxyFactory::systemProxyForQuery(query);
    if (!proxies.isEmpty())
        QNetworkProxy::setApplicationProxy(proxies.first());
}

void installApplicationTranslator(const QString &localeName) {
    AppState &state = appState();
    if (!state.appTranslator)
        state.appTranslator = new QTranslator(qApp);
    QTranslator *translator = state.appTranslator;
    const QString dir = DataPaths::dataDirectory();
    if (state.language.isEmpty())
        state.language = languageForLocale(localeName);
    translator->load(dir + QLatin1Char('/') + state.language, QStringLiteral("."));
    QCoreApplication::installTranslator(translator);
}

void startVersionCheck(JsonRpc &lookup, CheckUpdate &checker) {
    // The error is connected before the request: without a network the
    // lookup fails before it returns, and that failure must still show the
    // window.
    QObject::connect(&lookup, &JsonRpc::done, &checker, &CheckUpdate::GetCheckNewFersionDone);
    QObject::connect(&lookup, &JsonRpc::error, &checker, &CheckUpdate::rpcError);
    // An answer that is not JSON ends the lookup without done or error.
    // Queued, so that a failure reported for the same reply comes first.
    QObject::connect(&lookup, &JsonRpc::settled, &checker, &CheckUpdate::showMainWindowIfUndecided,
                     Qt::QueuedConnection);
    lookup.requestVersion();
    checker.lookupStarted();
}

int run(int argc, char **argv) {
    // Obsolete in Qt 5.15 (X11 threading is always on); kept so that the
    // attribute is set before the application exists, as on older Qt.
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    QCoreApplication::setAttribute(Qt::AA_X11InitThreads, true);
    QT_WARNING_POP
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral("1.1.0"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app_icon")));
    // The desktop matches the window to its menu entry by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.vantero.Vantero"));

    // A second start only brings the running window forward.
    const QString instanceKey = SingleInstance::keyFor(
        QSettings(SettingsKeys::organisation, SettingsKeys::application).fileName());
    SingleInstance instance;
    if (!instance.claim(instanceKey)) {
        qDebug() << "already running: showing that window instead";
        return instance.activateRunning(instanceKey) ? 0 : 1;
    }
    qDebug() << "data folder:" << DataPaths::dataDirectory();

    setServiceConfig(ServiceConfig::fromSettings());
    setupProxy(serviceConfig().apiUrl);

    appState().loadFromSettings();
    installApplicationTranslator(QLocale::system().name());

    JsonRpc versionLookup;
    CheckUpdate checker;
    startVersionCheck(versionLookup, checker);

    MainWindow window;
    window.hide();
    checker.mainWindowCreated();

    QObject::connect(&instance, &SingleInstance::activationRequested, &window,
                     [&window] { DesktopIntegration::raiseWindow(&window); });
    DesktopIntegration desktop;
    desktop.start();

    return app.exec();
}

} // namespace Startup

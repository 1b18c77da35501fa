#include "app/Startup.h"

#include "app/AppState.h"
#include "service/ServiceConfig.h"

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QLocale>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QTranslator>
#include <QUrl>
#include <QVBoxLayout>

#include "app/AppFont.h"

namespace Startup {

QString languageForLocale(const QString &localeName)
{
    return localeName == QLatin1String("ru_RU") ? QStringLiteral("lang_ru")
                                                 : QStringLiteral("lang_en");
}

void setupProxy(const QUrl &apiUrl)
{
    const QNetworkProxyQuery query(apiUrl, QNetworkProxyQuery::UrlRequest);
    const QList<QNetworkProxy> proxies = QNetworkProxyFactory::systemProxyForQuery(query);
    if (!proxies.isEmpty())
        QNetworkProxy::setApplicationProxy(proxies.first());
}

void installApplicationTranslator(const QString &localeName)
{
    AppState &state = appState();
    if (!state.appTranslator)
        state.appTranslator = new QTranslator(qApp);
    QTranslator *translator = state.appTranslator;
    const QString dir = QCoreApplication::applicationDirPath();
    if (state.language.isEmpty())
        state.language = languageForLocale(localeName);
    translator->load(dir + QLatin1Char('/') + state.language, QStringLiteral("."));
    QCoreApplication::installTranslator(translator);
}

int run(int argc, char **argv)
{
    // Obsolete in Qt 5.15 (X11 threading is always on); kept so that the
    // attribute is set before the application exists, as on older Qt.
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    QCoreApplication::setAttribute(Qt::AA_X11InitThreads, true);
    QT_WARNING_POP
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral("1.1.0"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app_icon")));

    setServiceConfig(ServiceConfig::fromSettings());
    setupProxy(serviceConfig().apiUrl);

    appState().loadFromSettings();
    installApplicationTranslator(QLocale::system().name());

    // Until the page flow exists the program shows its title window.
    QWidget window;
    window.setWindowTitle(QStringLiteral("Vantero"));
    window.setFixedSize(420, 580);
    window.setStyleSheet(QStringLiteral("background-color: rgb(235, 235, 235);"));
    auto *title = new QLabel(QStringLiteral("Vantero"), &window);
    QFont font(applicationFontFamily(), 32);
    title->setFont(font);
    title->setAlignment(Qt::AlignCenter);
    title->setStyleSheet(QStringLiteral("color: rgb(106, 106, 106,255);"));
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(title);
    window.show();

    return app.exec();
}

} // namespace Startup

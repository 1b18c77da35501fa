// Renders the programme guide page and the player's programme overlay,
// filled with a channel of the local development service, into PNG files
// for looking at them:
//     capture_epg <folder>
// Run it under xvfb-run from the folder of the program. It starts its own
// service and uses a settings store of its own; times are shown in the
// local time zone and day names in the system locale.

#include "DevServiceProcess.h"
#include "TestSupport.h"

#include "epg/EpgWidget.h"
#include "epg/XmlUrl.h"
#include "player/PlayerEpg.h"
#include "service/JsonRpc.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QListWidget>
#include <QTextStream>
#include <QUrl>
#include <QtTest>

namespace {

bool save(QWidget *widget, const QString &folder, const QString &name) {
    QTest::qWait(200);
    const QString file = QDir(folder).filePath(name + QStringLiteral(".png"));
    const bool saved = widget->grab().save(file);
    QTextStream(stdout) << (saved ? "wrote " : "failed ") << file << '\n';
    return saved;
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        QTextStream(stderr) << "usage: capture_epg <folder>\n";
        return 2;
    }
    const QString folder = QDir(args.at(1)).absolutePath();
    QDir().mkpath(folder);

    ScopedSettings settings;
    JsonRpc::setOnlineCheck([] { return true; });
    DevServiceProcess service;
    if (!service.start()) {
        QTextStream(stderr) << service.errorString() << '\n';
        return 1;
    }
    const QString token = service.login(QString::fromLatin1(DevServiceProcess::demoEmail),
                                        QString::fromLatin1(DevServiceProcess::demoPassword),
                                        service.demoDeviceKey());
    const QJsonArray playlists = service.call(QStringLiteral("get_playlists"), {token}).toArray();
    const int playlistId = playlists.first().toObject().value(QLatin1String("id")).toInt();
    const QJsonArray channels =
        service.call(QStringLiteral("get_channels"), {token, playlistId}).toArray();
    QJsonObject channel;
    for (const QJsonValue &value : channels) {
        channel = value.toObject();
        if (channel.value(QLatin1String("epg_id")).toInt() != 0)
            break;
    }
    if (channel.isEmpty()) {
        QTextStream(stderr) << "no channel with programme data\n";
        return 1;
    }

    // The programmes, fetched as the channel browser fetches them.
    QJsonValue epg(QJsonValue::Undefined);
    auto *fetcher = new XmlUrl(&app);
    QObject::connect(fetcher, &XmlUrl::GetEpgDoneEmit, &app,
                     [&epg](int &, const QJsonValue &result, XmlUrl &) { epg = result; });
    fetcher->requestEpg(token, QString::number(channel.value(QLatin1String("epg_id")).toInt()),
                        channel.value(QLatin1String("id")).toInt());
    if (!QTest::qWaitFor([&epg] { return !epg.isUndefined(); }, 20000)) {
        QTextStream(stderr) << "no programme data arrived\n";
        return 1;
    }
    channel.insert(QStringLiteral("epg"), epg);
    // The logo as the channel browser would have cached it.
    const QString logoName =
        QFileInfo(QUrl(channel.value(QLatin1String("pict")).toString()).path()).fileName();
    channel.insert(
        QStringLiteral("pict"),
        QDir(DevServiceProcess::mediaDir()).filePath(QStringLiteral("logos/") + logoName));
    QTextStream(stdout) << "channel " << channel.value(QLatin1String("title")).toString() << ", "
                        << epg.toArray().size() << " programmes\n";

    bool ok = true;
    const QJsonArray days = XmlUrl().programmesByDay(epg);
    EpgWidget guide;
    guide.setChannelSource({[] { return 0; }, [days] { return days; }});
    guide.resize(580, 653);
    guide.show();
    if (!QTest::qWaitForWindowExposed(&guide))
        return 1;
    guide.refresh();
    ok &= save(&guide, folder, QStringLiteral("epg_guide"));
    QListWidget *strip = guide.dayList();
    if (strip->count() > 2) {
        QTest::mouseClick(strip->viewport(), Qt::LeftButton, {},
                          strip->visualItemRect(strip->item(2)).center());
        ok &= save(&guide, folder, QStringLiteral("epg_guide_day3"));
    }

    // The overlay across the bottom of a black video area, as in the player.
    QWidget video;
    video.setStyleSheet(QStringLiteral("background-color: rgb(0, 0, 0);"));
    video.setAttribute(Qt::WA_StyledBackground);
    video.resize(900, 400);
    auto *overlay = new PlayerEpg(&video);
    overlay->setGeometry(0, 400 - overlay->height(), 900, overlay->height());
    overlay->setChannel(channel);
    video.show();
    if (!QTest::qWaitForWindowExposed(&video))
        return 1;
    ok &= save(&video, folder, QStringLiteral("epg_overlay"));
    QJsonObject bare = channel;
    bare.remove(QStringLiteral("epg"));
    bare.insert(QStringLiteral("pict"), QString());
    overlay->setChannel(bare);
    ok &= save(&video, folder, QStringLiteral("epg_overlay_empty"));
    return ok ? 0 : 1;
}

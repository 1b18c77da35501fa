// Channel search benchmark: a generated playlist of 100,000 titles (Latin and
// Cyrillic), the index built once, then a query typed a letter at a time;
// each keystroke is one match() over the whole playlist, as the search field
// does it. Prints the build time and the median and worst keystroke.
//     search [--channels 100000]

#include "channels/ChannelSearchIndex.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QStringList>
#include <QTextStream>

#include <algorithm>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    int count = 100000;
    const QStringList args = app.arguments();
    const int at = args.indexOf(QStringLiteral("--channels"));
    if (at > 0 && at + 1 < args.size())
        count = args.at(at + 1).toInt();

    const QStringList stems{QStringLiteral("Vantero News"), QStringLiteral("Business Today"),
                            QStringLiteral("Первый Ёлочный"), QStringLiteral("Café Télé"),
                            QStringLiteral("Спорт Экстра")};
    QJsonArray channels;
    for (int i = 0; i < count; ++i)
        channels.append(
            QJsonObject{{QStringLiteral("title"),
                         QStringLiteral("%1 %2").arg(stems.at(i % stems.size())).arg(i)}});

    ChannelSearchIndex index;
    QElapsedTimer timer;
    timer.start();
    index.build(channels);
    const double buildMs = timer.nsecsElapsed() / 1e6;

    QTextStream out(stdout);
    out << "channels: " << count << "\n";
    out << "index built: " << buildMs << " ms\n";
    for (const QString &query : {QStringLiteral("елочный 99"), QStringLiteral("cafe tele 12")}) {
        QVector<double> keystrokes;
        int found = 0;
        for (int length = 1; length <= query.size(); ++length) {
            timer.restart();
            found = index.match(query.left(length)).size();
            keystrokes.append(timer.nsecsElapsed() / 1e6);
        }
        std::sort(keystrokes.begin(), keystrokes.end());
        out << "keystroke \"" << query << "\": median " << keystrokes.at(keystrokes.size() / 2)
            << " ms worst " << keystrokes.last() << " ms (" << found << " found)\n";
    }
    return 0;
}

// Fetching programme data: which service calls a channel leads to, what
// reaches the receiver, and that failures end quietly. The service is a
// local HTTP server that answers exactly as each case needs.

#include "LocalHttpServer.h"
#include "TestRows.h"
#include "TestSupport.h"

#include "epg/XmlUrl.h"
#include "service/JsonRpc.h"
#include "service/ServiceConfig.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QTcpServer>
#include <QtTest>

namespace {

// What the receiver of GetEpgDoneEmit saw.
struct Answer {
    int channelId = 0;
    QJsonValue result;
    XmlUrl *sender = nullptr;
};

QJsonObject envelope(const LocalHttpRequest &request) {
    return QJsonDocument::fromJson(request.body).object();
}

QByteArray reply(const QJsonValue &result, const QString &error = QString()) {
    return QJsonDocument(QJsonObject{{"error", error}, {"result", result}})
        .toJson(QJsonDocument::Compact);
}

// The programmes of one EPG source, recognisable by its id.
QJsonArray programmesOf(int epgId) {
    return QJsonArray{QJsonObject{{"start", "2016-03-01 10:00:00"},
                                  {"stop", "2016-03-01 11:00:00"},
                                  {"title", QStringLiteral("Programme of %1").arg(epgId)},
                                  {"desc", ""}}};
}

} // namespace

class TestEpgRetrieval : public QObject {
    Q_OBJECT

    ScopedSettings m_settings;
    LocalHttpServer m_server;

    // "find_epg" answers by search text; "get_epg" with the programmes of the
    // id asked for, source 1 slowly; "get_epg" for 666 with a service error.
    static LocalHttpResponse serve(const LocalHttpRequest &request) {
        const QJsonObject call = envelope(request);
        const QString method = call.value("method").toString();
        const QJsonArray params = call.value("params").toArray();
        if (method == QLatin1String("find_epg")) {
            const QString text = params.at(0).toString();
            QJsonArray candidates;
            if (text == QLatin1String("0") || text == QLatin1String("Sport"))
                candidates =
                    QJsonArray{QJsonObject{{"id", 7}, {"name", "Sport"}, {"weight", 80}},
                               QJsonObject{{"id", 9}, {"name", "Sport 2"}, {"weight", 50}}};
            else if (text == QLatin1String("nameless"))
                candidates = QJsonArray{QJsonObject{{"name", "No id"}}};
            return LocalHttpResponse{200, reply(candidates)};
        }
        if (method == QLatin1String("get_epg")) {
            const int id = params.at(0).toInt();
            if (id == 666)
                return LocalHttpResponse{200, reply(QJsonValue(), "Invalid token")};
            if (id == 500)
                return LocalHttpResponse{500, "<html>Internal error</html>", "text/html"};
            LocalHttpResponse response{200, reply(programmesOf(id))};
            response.delayMs = id == 1 ? 400 : 0;
            return response;
        }
        return LocalHttpResponse{200, reply(QJsonValue(), "Unknown method")};
    }

    // The calls the server received, as "method [params]".
    QStringList calls() const {
        QStringList list;
        for (const LocalHttpRequest &request : m_server.requests()) {
            const QJsonObject call = envelope(request);
            list << call.value("method").toString() + QLatin1Char(' ') +
                        QString::fromUtf8(QJsonDocument(call.value("params").toArray())
                                              .toJson(QJsonDocument::Compact));
        }
        return list;
    }

    static void listen(XmlUrl *fetcher, QList<Answer> *answers) {
        QObject::connect(fetcher, &XmlUrl::GetEpgDoneEmit, fetcher,
                         [answers](int &id, const QJsonValue &result, XmlUrl &sender) {
                             answers->append(Answer{id, result, &sender});
                         });
    }

    // Waits until the server has nothing more to answer and the answers
    // have been delivered.
    void settle(int expectedCalls) {
        QTRY_COMPARE_WITH_TIMEOUT(m_server.requestCount(), expectedCalls, 10000);
        QTest::qWait(600);
    }

private slots:
    void initTestCase() {
        JsonRpc::setOnlineCheck([] { return true; });
        QVERIFY(m_server.start());
        m_server.setHandler(&TestEpgRetrieval::serve);
        ServiceConfig config = ServiceConfig::defaults();
        config.apiUrl = m_server.url(QStringLiteral("/api/v1.0/"));
        setServiceConfig(config);
    }

    void cleanupTestCase() {
        m_server.stop();
        JsonRpc::setOnlineCheck(nullptr);
    }

    void init() { m_server.clearRequests(); }

    void callsForAChannel_data() {
        QTest::addColumn<QString>("epgId");
        QTest::addColumn<QStringList>("expectedCalls");
        QTest::addColumn<int>("fetchedSource"); // -1: nothing emitted

        QTest::newRow("numeric id") << "1234" << QStringList{"get_epg [1234,10,\"tok\"]"} << 1234;
        addRow("no id: first candidate only", "0",
               QStringList{"find_epg [\"0\",\"tok\"]", "get_epg [7,10,\"tok\"]"}, 7);
        addRow("a name", "Sport",
               QStringList{"find_epg [\"Sport\",\"tok\"]", "get_epg [7,10,\"tok\"]"}, 7);
        addRow("nothing found", "Nothing", QStringList{"find_epg [\"Nothing\",\"tok\"]"}, -1);
        addRow("candidate without id", "nameless",
               QStringList{"find_epg [\"nameless\",\"tok\"]", "get_epg [0,10,\"tok\"]"}, 0);
        QTest::newRow("service error") << "666" << QStringList{"get_epg [666,10,\"tok\"]"} << -1;
        QTest::newRow("not JSON") << "500" << QStringList{"get_epg [500,10,\"tok\"]"} << -1;
    }

    void callsForAChannel() {
        QFETCH(QString, epgId);
        QFETCH(QStringList, expectedCalls);
        QFETCH(int, fetchedSource);

        QObject page;
        auto *fetcher = new XmlUrl(&page);
        QList<Answer> answers;
        listen(fetcher, &answers);
        fetcher->requestEpg(QStringLiteral("tok"), epgId, 42);
        settle(expectedCalls.size());

        QCOMPARE(calls(), expectedCalls);
        if (fetchedSource < 0) {
            QVERIFY(answers.isEmpty());
        } else {
            QCOMPARE(answers.size(), 1);
            QCOMPARE(answers[0].channelId, 42);
            QCOMPARE(answers[0].result, QJsonValue(programmesOf(fetchedSource)));
            QCOMPARE(answers[0].sender, fetcher);
        }
        QCOMPARE(fetcher->token, QStringLiteral("tok"));
        QCOMPARE(fetcher->channelId, 42);
        // Each service client goes once its answer has been read, whatever
        // the answer was.
        QTRY_VERIFY(fetcher->findChildren<JsonRpc *>().isEmpty());
    }

    void connectionRefusedEndsQuietly() {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const quint16 port = probe.serverPort();
        probe.close();
        const ServiceConfig saved = serviceConfig();
        ServiceConfig config = saved;
        config.apiUrl = QUrl(QStringLiteral("http://127.0.0.1:%1/api/v1.0/").arg(port));
        setServiceConfig(config);

        QObject page;
        auto *fetcher = new XmlUrl(&page);
        QList<Answer> answers;
        listen(fetcher, &answers);
        fetcher->requestEpg(QStringLiteral("tok"), QStringLiteral("5"), 3);
        QTRY_VERIFY(fetcher->findChildren<JsonRpc *>().isEmpty());
        QTest::qWait(100);
        QVERIFY(answers.isEmpty());
        setServiceConfig(saved);
    }

    // The browser's side: answers that arrive in the other order still go to
    // their own channels.
    void answersInReverseOrderFindTheirChannels() {
        QObject page;
        QJsonArray channels{QJsonObject{{"id", 10}, {"epg_id", 1}},
                            QJsonObject{{"id", 20}, {"epg_id", 2}}};
        QList<int> order;
        for (const QJsonValue &value : qAsConst(channels)) {
            const QJsonObject record = value.toObject();
            auto *fetcher = new XmlUrl(&page);
            connect(fetcher, &XmlUrl::GetEpgDoneEmit, &page,
                    [&](int &id, const QJsonValue &result, XmlUrl &sender) {
                        order << id;
                        for (int i = 0; i < channels.size(); ++i) {
                            QJsonObject channel = channels.at(i).toObject();
                            if (channel.value("id").toInt() == id) {
                                channel.insert("epg", result);
                                channels.replace(i, channel);
                                break;
                            }
                        }
                        sender.deleteLater();
                    });
            fetcher->requestEpg(QStringLiteral("tok"),
                                QString::number(record.value("epg_id").toInt()),
                                record.value("id").toInt());
        }
        QTRY_COMPARE_WITH_TIMEOUT(order.size(), 2, 10000);
        QCOMPARE(order, (QList<int>{20, 10}));
        QCOMPARE(channels.at(0).toObject().value("epg"), QJsonValue(programmesOf(1)));
        QCOMPARE(channels.at(1).toObject().value("epg"), QJsonValue(programmesOf(2)));
        QTRY_VERIFY(page.findChildren<XmlUrl *>().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestEpgRetrieval)
#include "tst_epgretrieval.moc"

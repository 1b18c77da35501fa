#include "epg/XmlUrl.h"

#include "app/Clock.h"
#include "epg/EpgSchedule.h"
#include "service/JsonRpc.h"

#include <QLocale>
#include <QPair>

XmlUrl::XmlUrl(QObject *parent)
    : QObject(parent) {}

XmlUrl::~XmlUrl() = default;

JsonRpc *XmlUrl::newCall() {
    auto *rpc = new JsonRpc(this);
    connect(rpc, &JsonRpc::error, this, &XmlUrl::rpcError);
    // One exchange per client: once its answer has been read, whatever it
    // was, the client is of no further use. A channel list of a thousand
    // channels would otherwise keep a thousand of them alive.
    connect(rpc, &JsonRpc::settled, rpc, &QObject::deleteLater);
    return rpc;
}

void XmlUrl::requestEpg(const QString &token, const QString &epgId, int channelId) {
    this->channelId = channelId;
    this->token = token;
    // Anything that is not a decimal number reads as 0: a search by text.
    const int id = epgId.toInt(nullptr, 10);
    JsonRpc *rpc = newCall();
    if (id != 0) {
        connect(rpc, &JsonRpc::done, this, &XmlUrl::GetEpgDone);
        rpc->getEpg(id, token);
    } else {
        connect(rpc, &JsonRpc::done, this, &XmlUrl::FindEpgDone);
        rpc->findEpg(epgId, token);
    }
}

void XmlUrl::FindEpgDone(const QJsonValue &result) {
    const QJsonArray candidates = result.toArray();
    if (candidates.isEmpty())
        return;
    // The service lists its best guess first; the others are not tried.
    const int id = candidates.first().toObject().value(QLatin1String("id")).toInt();
    JsonRpc *rpc = newCall();
    connect(rpc, &JsonRpc::done, this, &XmlUrl::GetEpgDone);
    rpc->getEpg(id, token);
}

void XmlUrl::GetEpgDone(const QJsonValue &result) {
    emit GetEpgDoneEmit(channelId, result, *this);
}

void XmlUrl::rpcError(const QString &) {
    // A channel whose programmes cannot be fetched just shows none.
}

void XmlUrl::addProgramme(const QJsonObject &raw) {
    programmes.append(EpgSchedule::programmeFromRaw(raw));
}

EpgProgramme XmlUrl::currentProgramme(const QJsonValue &epg) {
    const QJsonArray raw = epg.toArray();
    for (const QJsonValue &element : raw)
        addProgramme(element.toObject());
    return EpgSchedule::fromProgrammes(programmes).current(Clock::now());
}

void XmlUrl::sortProgrammes() {
    sortedProgrammes.clear();
    QList<QDateTime> starts; // parsed once, beside sortedProgrammes
    for (const EpgProgramme &programme : qAsConst(programmes)) {
        const QDateTime start = EpgSchedule::readTime(programme.value(QStringLiteral("start")));
        // Before the first one that does not start earlier: programmes with
        // equal starts end up in reverse arrival order.
        int position = 0;
        while (position < starts.size() && starts.at(position) < start)
            ++position;
        starts.insert(position, start);
        sortedProgrammes.insert(position, programme);
    }
}

QJsonArray XmlUrl::programmesByDay(const QJsonValue &epg) {
    const QJsonArray raw = epg.toArray();
    for (const QJsonValue &element : raw)
        addProgramme(element.toObject());
    sortProgrammes();

    // A programme without a readable start belongs to no day: it is left
    // out rather than shown under a day without a name.
    QList<QPair<QDateTime, const EpgProgramme *>> dated;
    for (const EpgProgramme &programme : qAsConst(sortedProgrammes)) {
        const QDateTime start = EpgSchedule::readTime(programme.value(QStringLiteral("start")));
        if (start.isValid())
            dated.append({start, &programme});
    }

    // Day and month names as the user's system names them.
    const QLocale locale = QLocale::system();
    QJsonArray result;
    QJsonArray day;
    for (int j = 0; j < dated.size(); ++j) {
        const EpgProgramme &programme = *dated.at(j).second;
        QJsonObject object;
        for (const char *key : {"duration", "start", "text", "name"})
            object.insert(QLatin1String(key), programme.value(QLatin1String(key)));
        day.append(object);

        const QDate date = dated.at(j).first.date();
        const QDate next = j + 1 < dated.size() ? dated.at(j + 1).first.date() : QDate();
        if (date != next) {
            QJsonObject group;
            group.insert(locale.toString(date, QStringLiteral("ddd d MMMM")), day);
            result.append(group);
            day = QJsonArray();
        }
    }
    return result;
}

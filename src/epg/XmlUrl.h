#pragma once

#include "epg/EpgProgramme.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QObject>

class JsonRpc;

// Fetches one channel's programme data from the service and reads it: the
// programme running now, and the programmes grouped by day.
class XmlUrl : public QObject {
    Q_OBJECT

public:
    explicit XmlUrl(QObject *parent = nullptr);
    ~XmlUrl() override;

    // "get_epg" for a non-zero numeric id, else "find_epg" then "get_epg".
    void requestEpg(const QString &token, const QString &epgId, int channelId);

    // Reading a channel's "epg" value (an array of the service's raw
    // programmes, times in UTC). Each call adds to `programmes`, so a reader
    // is used for one value.
    void addProgramme(const QJsonObject &raw);
    // The programme on now (see EpgSchedule::current), or placeholders.
    EpgProgramme currentProgramme(const QJsonValue &epg);
    // `sortedProgrammes` = `programmes` by start; equal starts in reverse
    // arrival order.
    void sortProgrammes();
    // One object per local day, {"ddd d MMMM": [programmes by start]}, the
    // day named in the system locale.
    QJsonArray programmesByDay(const QJsonValue &epg);

    QString token;
    int channelId = 0;
    QList<EpgProgramme> programmes;
    QList<EpgProgramme> sortedProgrammes;

signals:
    void GetEpgDoneEmit(int &id_chanel, const QJsonValue &result, XmlUrl &);

private slots:
    void GetEpgDone(const QJsonValue &result);
    void FindEpgDone(const QJsonValue &result);
    void rpcError(const QString &);

private:
    // A client for one exchange, released once its answer has been read.
    JsonRpc *newCall();
};

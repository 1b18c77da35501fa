#pragma once

#include <QHash>
#include <QMutex>
#include <QSet>
#include <QString>
#include <QThread>
#include <QVector>

class StreamServerWorker;

// A small HTTP server on 127.0.0.1 that serves the files of one folder from
// a thread of its own, so that a test's event loop (or a blocking engine
// call on it) never stalls the stream. Files go out at full speed with their
// length and byte ranges, or, once marked live, paced at their real-time
// rate without a length, the way a live channel arrives. stop() drops every
// connection mid-stream.
class StreamServer {
public:
    explicit StreamServer(const QString &root);
    ~StreamServer();

    bool start();
    void stop();
    bool isListening() const;
    quint16 port() const { return m_port; }
    QString url(const QString &path) const;

    // Drops every connection mid-stream but keeps listening; for the next
    // `refuseMs` milliseconds a new connection is closed before any answer,
    // so a client's immediate reconnect fails as well.
    void cutConnections(int refuseMs = 0);

    // Serve `path` at size / seconds bytes per second, as a live channel.
    // The query part of a request does not count, so "live.ts?ch=2" is the
    // same live channel under another address.
    void setLive(const QString &path, double seconds);
    // Answer `path` with a success header and then nothing at all, keeping
    // the connection open: a channel that never shows a picture.
    void setSilent(const QString &path);

    // Connections the server holds open right now.
    int openConnections() const;

    // Requests seen for a path (the part after the host, with its slash),
    // and when each arrived, in milliseconds of a monotonic clock.
    int requestCount(const QString &path) const;
    QVector<qint64> requestTimes(const QString &path) const;

private:
    friend class StreamServerWorker;
    void recordRequest(const QString &path);
    double liveSeconds(const QString &path) const;
    bool isSilent(const QString &path) const;

    QString m_root;
    QThread m_thread;
    StreamServerWorker *m_worker = nullptr;
    quint16 m_port = 0;
    mutable QMutex m_mutex;
    QHash<QString, QVector<qint64>> m_requests;
    QHash<QString, double> m_live;
    QSet<QString> m_silent;
};

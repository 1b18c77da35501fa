#pragma once

#include "service/DownloadFileHandler.h"

#include <QDir>
#include <QObject>
#include <QStringList>

// What a DownloadFileHandler reports, in order: "started", "opening error",
// "error", "cancelled", "finished:<file>" or "finished:<file>|<name>".
class DownloadRecorder : public QObject {
public:
    explicit DownloadRecorder(DownloadFileHandler *handler) {
        connect(handler, &DownloadFileHandler::fileOpeningError, this, [this](const QString &text) {
            events << QStringLiteral("opening error");
            errorText = text;
        });
        connect(handler, &DownloadFileHandler::fileDownloadError, this,
                [this](const QString &text) {
                    events << QStringLiteral("error");
                    errorText = text;
                });
        connect(handler, &DownloadFileHandler::fileDownloadStarted, this,
                [this] { events << QStringLiteral("started"); });
        connect(handler, &DownloadFileHandler::fileDownloadCancelled, this,
                [this] { events << QStringLiteral("cancelled"); });
        connect(handler, QOverload<const QString &>::of(&DownloadFileHandler::fileDownloadFinished),
                this,
                [this](const QString &file) { events << QStringLiteral("finished:") + file; });
        connect(handler,
                QOverload<const QString &, const QString &>::of(
                    &DownloadFileHandler::fileDownloadFinished),
                this, [this](const QString &file, const QString &name) {
                    events << QStringLiteral("finished:") + file + QLatin1Char('|') + name;
                });
    }
    bool ended() const { return !events.isEmpty() && (events.last() != QLatin1String("started")); }
    QStringList events;
    QString errorText;
};

// Every entry of a folder, hidden ones included, sorted.
inline QStringList entriesOf(const QString &folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

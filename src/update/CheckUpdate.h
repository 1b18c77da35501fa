#pragma once

#include <QObject>

class QJsonValue;

// Decides at start-up, from the service's newest version, whether to hand
// over to the updater and quit, or to finish update housekeeping and show
// the main window.
class CheckUpdate : public QObject {
    Q_OBJECT

public:
    explicit CheckUpdate(QObject *parent = nullptr);

    // True when `offered` sorts after `current` as plain text (so "1.1.10"
    // is newer than "1.1.0", and "1.0.9" is not).
    static bool isNewer(const QString &current, const QString &offered);

    // "Major.Minor.Build" of a version reply; missing members read as 0.
    static QString offeredVersion(const QJsonValue &reply);

    // Shows the main window if no decision has been taken yet: the way out
    // when the lookup ends without a usable answer.
    void showMainWindowIfUndecided();

    // Start-up calls this once the main window exists: a decision to show it
    // taken before then (an offline lookup fails at once) is applied now.
    void mainWindowCreated();

public slots:
    void GetCheckNewFersionDone(const QJsonValue &result);
    void rpcError(const QString &s_error);

private:
    void handOverToUpdater();
    void finishHousekeepingAndShow();

    bool m_decided = false;
    bool m_showPending = false;
};

#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

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

    // The version lookup has been sent. Without a decision within the
    // patience time the window is shown anyway; the lookup goes on, and a
    // newer version found later is announced rather than installed.
    void lookupStarted();
    static constexpr int defaultPatienceMs = 5000;
    static void setPatience(int milliseconds);

public slots:
    void GetCheckNewFersionDone(const QJsonValue &result);
    void rpcError(const QString &s_error);

private:
    void handOverToUpdater();
    void finishHousekeepingAndShow();
    void waitedLongEnough();
    // An alert over the main window's page once it is on screen.
    void notify(const QString &title, const QString &message);

    bool m_decided = false;
    bool m_showPending = false;
    bool m_shown = false;
    QTimer m_patience;
    QString m_noticeTitle;
    QString m_notice;
};

#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

// A channel number typed digit by digit. Each digit keeps the number open
// for another window of 1.5 seconds; once the window passes without a
// digit, or once no further digit could still name a channel, the number is
// handed on and the next digit starts a new one.
class ZapNumberEntry : public QObject {
    Q_OBJECT

public:
    static constexpr int windowMs = 1500;

    explicit ZapNumberEntry(QObject *parent = nullptr);

    // The highest number that names a channel (the playlist's length).
    void setLimit(int limit) { m_limit = limit; }
    void addDigit(int digit);
    // Ends the number now, as the window's end does (tests end it here
    // rather than wait for the window).
    void finish();
    // Forgets the digits typed so far without handing them on.
    void cancel();

    // The digits typed so far; 0 when none.
    int pending() const { return m_number; }
    // The same as typed, leading zeros included; empty when none.
    QString typed() const { return m_typed; }
    bool isOpen() const { return m_window.isActive(); }

signals:
    void numberEntered(int number);
    // The digits typed so far changed (empty once the number ends).
    void typedChanged(const QString &digits);

private:
    QTimer m_window;
    void setTyped(const QString &digits);

    QString m_typed;
    int m_number = 0;
    int m_limit = 0;
};

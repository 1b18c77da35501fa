#include "channels/ZapNumberEntry.h"

ZapNumberEntry::ZapNumberEntry(QObject *parent)
    : QObject(parent) {
    m_window.setSingleShot(true);
    m_window.setInterval(windowMs);
    connect(&m_window, &QTimer::timeout, this, &ZapNumberEntry::finish);
}

void ZapNumberEntry::addDigit(int digit) {
    if (digit < 0 || digit > 9)
        return;
    m_number = m_number * 10 + digit;
    setTyped(m_typed + QChar('0' + digit));
    // A number past the last channel names nothing: it is dropped whole
    // rather than zapping to a channel the viewer did not type.
    if (m_number > m_limit) {
        cancel();
        return;
    }
    // Leading zeros wait for the next digit in the same window.
    if (m_number == 0) {
        m_window.start();
        return;
    }
    // Waiting longer is pointless when any further digit leads past the
    // last channel.
    if (qint64(m_number) * 10 > m_limit) {
        finish();
        return;
    }
    m_window.start();
}

void ZapNumberEntry::finish() {
    m_window.stop();
    const int number = m_number;
    m_number = 0;
    setTyped(QString());
    if (number > 0 && number <= m_limit)
        emit numberEntered(number);
}

void ZapNumberEntry::cancel() {
    m_window.stop();
    m_number = 0;
    setTyped(QString());
}

void ZapNumberEntry::setTyped(const QString &digits) {
    if (digits == m_typed)
        return;
    m_typed = digits;
    emit typedChanged(m_typed);
}

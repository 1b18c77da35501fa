#pragma once

#include <QLabel>

class ZapNumberEntry;

// The digits of a channel number being typed, shown large in the top right
// corner of the player (full screen too) until the number ends, so that a
// viewer sees what the remote-style entry has taken so far.
class ZapNumberEcho : public QLabel {
    Q_OBJECT

public:
    ZapNumberEcho(ZapNumberEntry *entry, QWidget *player);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showDigits(const QString &digits);
    void place();
};

#pragma once

#include <QJsonObject>
#include <QScopedPointer>
#include <QString>
#include <QWidget>

#include <functional>

namespace Ui {
class PlayerEpg;
}

// The band across the bottom of the video that tells what the channel is
// showing now: its logo, the programme's title and description, the time
// since it began, its length and how far it has run. The player hands it
// each channel it starts; the band works the rest out again every minute,
// visible or not.
class PlayerEpg : public QWidget {
    Q_OBJECT

public:
    explicit PlayerEpg(QWidget *parent = nullptr);
    ~PlayerEpg() override;

    void setChannel(const QJsonObject &channel);
    // Where the minute refresh reads the channel from; without one it uses
    // the copy last handed over.
    void setSource(std::function<QJsonObject()> source);
    // What the minute refresh does: the channel read again, the programme
    // worked out again for the time now.
    void refresh();

    // The channel record last handed over.
    QJsonObject channel;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    const QScopedPointer<Ui::PlayerEpg> ui;
    QString elapsed;  // minutes since the programme began, or "00:00"
    QString duration; // "HH:MM:SS", or "00:00" when nothing runs now
    QString logoPath;
    int refreshTimerId = 0;
    std::function<QJsonObject()> m_source;
};

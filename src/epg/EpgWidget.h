#pragma once

#include <QJsonArray>
#include <QScopedPointer>
#include <QWidget>

#include <functional>

namespace Ui {
class EpgWidget;
}
class QListWidget;
class QListWidgetItem;

// The programme guide of the selected channel: a strip of days and the
// programmes of the chosen day. The channel browser shows it over the video.
class EpgWidget : public QWidget {
    Q_OBJECT

public:
    explicit EpgWidget(QWidget *parent = nullptr);
    ~EpgWidget() override;

    // Rebuilds the day strip for the channel selected in the channel browser
    // and shows its first day.
    void refresh();
    // Shows the programmes of one day of the strip.
    void showDay(int day);

    // Where the page learns about the selected channel: the channel list's
    // current row (-1 for none) and that channel's programmes grouped by day
    // (XmlUrl::programmesByDay). By default it asks the channel browser;
    // a page shown on its own (a test, a preview) can be given both.
    struct ChannelSource {
        std::function<int()> currentRow;
        std::function<QJsonArray()> days;
    };
    void setChannelSource(const ChannelSource &source);

    QListWidget *dayList() const;
    QListWidget *programmeList() const;

private slots:
    void on_listWidget_2_itemClicked(QListWidgetItem *item);

private:
    int currentChannelRow() const;
    QJsonArray currentChannelDays() const;

    const QScopedPointer<Ui::EpgWidget> ui;
    QJsonArray days;
    ChannelSource m_source;
};

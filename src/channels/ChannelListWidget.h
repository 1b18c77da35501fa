#pragma once

#include <QListWidget>

// The channel list: a list whose rows keep their height whatever their data
// (each row's size hint is set once, as it is made). A list view lays out
// all its rows again on any change of data and repaints all it shows; with
// logos and programmes arriving for rows on screen many times a second,
// that was most of what the event loop spent painting. Here a change of one
// row's data that leaves its size hint alone repaints that row alone.
class ChannelListWidget : public QListWidget {
    Q_OBJECT

public:
    explicit ChannelListWidget(QWidget *parent = nullptr);

protected:
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QVector<int> &roles) override;
};

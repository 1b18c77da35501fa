#pragma once

#include <QScopedPointer>
#include <QString>
#include <QWidget>

namespace Ui {
class NetworkWidget;
}

// The network caching page of the settings dialog: the player's network
// caching in milliseconds. A new value is stored as typed and the player's
// engine is rebuilt with it.
class NetworkWidget : public QWidget {
    Q_OBJECT

public:
    explicit NetworkWidget(QWidget *parent = nullptr);
    ~NetworkWidget() override;

    // Whether a typed cache size is accepted: a decimal integer other than
    // zero ("3 000", "3s" and "" are not).
    static bool isAcceptedCacheSize(const QString &text);

protected:
    // Paints the page's style-sheet background.
    void paintEvent(QPaintEvent *event) override;

private slots:
    void on_pushButton_back_clicked();
    void on_pushButton_2_clicked();

private:
    const QScopedPointer<Ui::NetworkWidget> ui;
};

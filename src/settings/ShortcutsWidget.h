#pragma once

#include <QWidget>

class QTableWidget;

// The shortcut page of the settings dialog: every key of the channel
// browser and what it does, read from the table the keys are bound from.
class ShortcutsWidget : public QWidget {
    Q_OBJECT

public:
    explicit ShortcutsWidget(QWidget *parent = nullptr);

    QTableWidget *table() const { return m_table; }

protected:
    // Paints the page's style-sheet background.
    void paintEvent(QPaintEvent *event) override;

private:
    QTableWidget *m_table;
};

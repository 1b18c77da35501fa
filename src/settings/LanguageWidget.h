#pragma once

#include <QScopedPointer>
#include <QWidget>

namespace Ui {
class LanguageWidget;
}
class QListWidgetItem;

// The language page of the settings dialog: English or Russian. The choice
// takes effect on "done": it is stored, the catalogue is loaded again and
// the dialog closes.
class LanguageWidget : public QWidget {
    Q_OBJECT

public:
    explicit LanguageWidget(QWidget *parent = nullptr);
    ~LanguageWidget() override;

    // The language a row stands for: row 0 English, any other row
    // (none chosen included) Russian.
    static QString languageOfRow(int row);

protected:
    // Paints the page's style-sheet background.
    void paintEvent(QPaintEvent *event) override;

private slots:
    void on_pushButton_back_clicked();
    void on_listWidget_itemClicked(QListWidgetItem *item);
    void on_pushButton_2_clicked();

private:
    const QScopedPointer<Ui::LanguageWidget> ui;
};

#pragma once

#include <QJsonArray>
#include <QScopedPointer>
#include <QWidget>

namespace Ui {
class CountryWidget;
}
class PageFlow;
class QListWidgetItem;

// Country picker: page 2 of the main window. Lists the country table in its
// own order; a click hands the country's name and dialling code back to the
// sign-up page.
class CountryWidget : public QWidget {
    Q_OBJECT

public:
    explicit CountryWidget(QWidget *parent = nullptr);
    ~CountryWidget() override;

    void setMainWindow(PageFlow *window) { m_mainWindow = window; }
    // Loads the table afresh and lists it.
    void fill();

private slots:
    void on_pushButton_back_clicked();
    void on_listWidget_itemClicked(QListWidgetItem *item);

private:
    void backToSignUp();

    const QScopedPointer<Ui::CountryWidget> ui;
    PageFlow *m_mainWindow = nullptr;
    QJsonArray countries; // the table as last loaded, in list order
};

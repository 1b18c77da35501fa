#pragma once

#include <QWidget>

class MainWindow;

// Country picker: page 2 of the main window.
class CountryWidget : public QWidget {
    Q_OBJECT

public:
    explicit CountryWidget(QWidget *parent = nullptr);
    ~CountryWidget() override;

    void setMainWindow(MainWindow *window) { m_mainWindow = window; }
    void fill();

private:
    MainWindow *m_mainWindow = nullptr;
};

#pragma once

#include <QWidget>

class MainWindow;

// Device registration page: page 4 of the main window.
class registrydevicewidget : public QWidget {
    Q_OBJECT

public:
    explicit registrydevicewidget(QWidget *parent = nullptr);
    ~registrydevicewidget() override;

    void setMainWindow(MainWindow *window) { m_mainWindow = window; }
    void loadDevices();

private:
    MainWindow *m_mainWindow = nullptr;
};

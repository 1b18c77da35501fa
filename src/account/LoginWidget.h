#pragma once

#include <QWidget>

class MainWindow;

// Sign-in page: page 0 of the main window.
class LoginWidget : public QWidget {
    Q_OBJECT

public:
    explicit LoginWidget(QWidget *parent = nullptr);
    ~LoginWidget() override;

    void setMainWindow(MainWindow *window) { m_mainWindow = window; }

private:
    MainWindow *m_mainWindow = nullptr;
};

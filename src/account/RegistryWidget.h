#pragma once

#include <QWidget>

class MainWindow;

// Sign-up by phone: page 1 of the main window.
class RegistryWidget : public QWidget {
    Q_OBJECT

public:
    explicit RegistryWidget(QWidget *parent = nullptr);
    ~RegistryWidget() override;

    void setMainWindow(MainWindow *window) { m_mainWindow = window; }
    void start();
    void setCountry(const QString &name, const QString &dialCode);

private:
    MainWindow *m_mainWindow = nullptr;
};

#pragma once

#include <QWidget>

class MainWindow;

// SMS code verification: page 3 of the main window.
class VerificationCodeWidget : public QWidget {
    Q_OBJECT

public:
    explicit VerificationCodeWidget(QWidget *parent = nullptr);
    ~VerificationCodeWidget() override;

    void setMainWindow(MainWindow *window) { m_mainWindow = window; }
    void setData(const QString &phone, const QString &password);

private:
    MainWindow *m_mainWindow = nullptr;
};

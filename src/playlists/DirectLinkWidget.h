#pragma once

#include <QWidget>

class MainWindow;

// Add a playlist by link or file: page 6 of the main window and page 2 of the settings dialog.
class DirectLinkWidget : public QWidget {
    Q_OBJECT

public:
    explicit DirectLinkWidget(QWidget *parent = nullptr);
    ~DirectLinkWidget() override;

    void setMainWindow(MainWindow *window) { m_mainWindow = window; }
    void setMode(bool linkMode, const QString &path);

private:
    MainWindow *m_mainWindow = nullptr;
};

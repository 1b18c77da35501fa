#pragma once

#include <QScopedPointer>
#include <QWidget>

namespace Ui {
class ProfileWidget;
}

// The profile page of the settings dialog: who is signed in, with which
// playlist on which device, and sign-out. Signing out is local: no service
// call, the sign-in state is forgotten and the main window returns to the
// sign-in page.
class ProfileWidget : public QWidget {
    Q_OBJECT

public:
    explicit ProfileWidget(QWidget *parent = nullptr);
    ~ProfileWidget() override;

protected:
    void paintEvent(QPaintEvent *event) override;

private slots:
    void on_pushButton_back_clicked();
    void on_pushButton_signout_clicked();

private:
    const QScopedPointer<Ui::ProfileWidget> ui;
};

#pragma once

#include <QScopedPointer>
#include <QWidget>

namespace Ui {
class ForgotParentPaswordWidget;
}

// Replacing a forgotten parental password: the user proves the account
// password, and the parental page then asks for a new password without the
// old one.
class ForgotParentPaswordWidget : public QWidget {
    Q_OBJECT

public:
    explicit ForgotParentPaswordWidget(QWidget *parent = nullptr);
    ~ForgotParentPaswordWidget() override;

protected:
    // Paints the page's style-sheet background.
    void paintEvent(QPaintEvent *event) override;

private slots:
    void on_pushButton_2_clicked();
    void on_pushButton_back_clicked();

private:
    void alert(const char *messageKey);

    const QScopedPointer<Ui::ForgotParentPaswordWidget> ui;
};

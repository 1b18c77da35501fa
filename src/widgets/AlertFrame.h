#pragma once

#include <QFrame>
#include <QScopedPointer>

namespace Ui {
class AlertFrame;
}
class QProgressIndicator;
class QPropertyAnimation;

// The one overlay for two purposes: a dimmed busy layer with a spinner over a
// page while a request is in flight, and an alert panel that slides down from
// the top edge and is dismissed by a click.
class AlertFrame : public QFrame {
    Q_OBJECT

public:
    explicit AlertFrame(QWidget *parent = nullptr);
    ~AlertFrame() override;

    void showBusy(QWidget *page);
    // The same over a part of the page only (in the page's coordinates).
    void showBusy(QWidget *page, const QRect &area);
    void hideBusy();
    void showAlert(QWidget *parent, const QString &title, const QString &message);

    bool isBusy() const { return m_busy; }
    // Whether this alert is on show and not being clicked away.
    bool isShowingAlert(const QString &title, const QString &message) const;

protected:
    void mousePressEvent(QMouseEvent *event) override;

private slots:
    void animationDoneSlot();

private:
    // Fades the whole overlay between two opacities; the animation goes away
    // by itself when it ends.
    void fade(qreal from, qreal to, int duration);
    // Moves the alert panel; the animation goes away when it ends.
    QPropertyAnimation *slidePanel(const QPoint &from, const QPoint &to);

    const QScopedPointer<Ui::AlertFrame> ui;
    QProgressIndicator *m_indicator = nullptr;
    bool m_busy = false;
    bool m_dismissing = false;
};

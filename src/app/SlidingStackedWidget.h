#pragma once

#include <QEasingCurve>
#include <QPoint>
#include <QStackedWidget>

// A stacked widget whose page changes are animated: the leaving page slides
// out while the arriving page slides in beside it, sideways or vertically.
class SlidingStackedWidget : public QStackedWidget {
    Q_OBJECT

public:
    // Where the incoming page comes from.
    enum t_direction { LeftToRight, RightToLeft, TopToBottom, BottomToTop, Automatic };
    Q_ENUM(t_direction)

    explicit SlidingStackedWidget(QWidget *parent);
    ~SlidingStackedWidget() override;

    int speed() const { return m_speed; }
    QEasingCurve::Type animation() const { return m_animationtype; }
    bool verticalMode() const { return m_vertical; }
    bool wrap() const { return m_wrap; }
    bool isSliding() const { return m_active; }

public slots:
    void setSpeed(int speed);
    void setAnimation(QEasingCurve::Type animationtype);
    void setVerticalMode(bool vertical = true);
    void setWrap(bool wrap);
    void slideInNext();
    void slideInPrev();
    void slideInIdx(int idx, t_direction direction = Automatic);

signals:
    void animationFinished();

protected slots:
    void animationDoneSlot();

protected:
    void slideInWgt(QWidget *newwidget, t_direction direction = Automatic);

private:
    QWidget *m_mainwindow = nullptr;
    int m_speed = 500;
    QEasingCurve::Type m_animationtype = QEasingCurve::OutBack;
    bool m_vertical = false;
    bool m_wrap = false;
    int m_now = 0;
    int m_next = 0;
    QPoint m_pnow;
    bool m_active = false;
};

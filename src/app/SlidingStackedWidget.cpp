#include "app/SlidingStackedWidget.h"

#include <QDebug>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>

SlidingStackedWidget::SlidingStackedWidget(QWidget *parent)
    : QStackedWidget(parent) {
    if (parent) {
        m_mainwindow = parent;
    } else {
        m_mainwindow = this;
        qDebug("ATTENTION: untested mainwindow case !");
    }
}

SlidingStackedWidget::~SlidingStackedWidget() = default;

void SlidingStackedWidget::setSpeed(int speed) {
    m_speed = speed;
}

void SlidingStackedWidget::setAnimation(QEasingCurve::Type animationtype) {
    m_animationtype = animationtype;
}

void SlidingStackedWidget::setVerticalMode(bool vertical) {
    m_vertical = vertical;
}

void SlidingStackedWidget::setWrap(bool wrap) {
    m_wrap = wrap;
}

void SlidingStackedWidget::slideInNext() {
    const int now = currentIndex();
    if (m_wrap || now < count() - 1)
        slideInIdx(now + 1);
}

void SlidingStackedWidget::slideInPrev() {
    const int now = currentIndex();
    if (m_wrap || now > 0)
        slideInIdx(now - 1);
}

void SlidingStackedWidget::slideInIdx(int idx, t_direction direction) {
    // An empty stack has nowhere to go, and the wrap below would divide by 0.
    const int pages = count();
    if (pages == 0)
        return;
    // Past either end the stack wraps, and the page enters from the side
    // that matches the jump.
    if (idx >= pages) {
        idx = idx % pages;
        direction = m_vertical ? TopToBottom : RightToLeft;
    } else if (idx < 0) {
        idx = (idx + pages) % pages;
        // Far below zero the sum is still negative; bring it into range.
        if (idx < 0)
            idx += pages;
        direction = m_vertical ? BottomToTop : LeftToRight;
    }
    slideInWgt(widget(idx), direction);
}

void SlidingStackedWidget::slideInWgt(QWidget *newwidget, t_direction direction) {
    if (m_active)
        return; // a slide is running: the request is dropped, not queued
    if (!newwidget)
        return;
    m_active = true;

    const int now = currentIndex();
    const int next = indexOf(newwidget);
    if (now == next) {
        m_active = false;
        return;
    }
    QWidget *current = widget(now);

    t_direction hint;
    if (now < next)
        hint = m_vertical ? TopToBottom : RightToLeft;
    else
        hint = m_vertical ? BottomToTop : LeftToRight;
    if (direction == Automatic)
        direction = hint;

    const int offsetWidth = frameRect().width();
    const int offsetHeight = frameRect().height();
    newwidget->setGeometry(0, 0, offsetWidth, offsetHeight);

    int offx = 0;
    int offy = 0;
    switch (direction) {
    case LeftToRight:
        offx = offsetWidth;
        break;
    case RightToLeft:
        offx = -offsetWidth;
        break;
    case TopToBottom:
        offy = offsetHeight;
        break;
    case BottomToTop:
        offy = -offsetHeight;
        break;
    case Automatic:
        break;
    }

    const QPoint pnext = newwidget->pos();
    const QPoint pnow = current->pos();
    m_pnow = pnow;

    const QPoint offset(offx, offy);
    newwidget->move(pnext - offset);
    newwidget->show();
    newwidget->raise();

    auto *animnow = new QPropertyAnimation(current, "pos");
    animnow->setDuration(m_speed);
    animnow->setEasingCurve(m_animationtype);
    animnow->setStartValue(pnow);
    animnow->setEndValue(pnow + offset);

    auto *animnext = new QPropertyAnimation(newwidget, "pos");
    animnext->setDuration(m_speed);
    animnext->setEasingCurve(m_animationtype);
    animnext->setStartValue(pnext - offset);
    animnext->setEndValue(pnext);

    // The group owns both animations; it is released once it has finished
    // and animationDoneSlot() has run.
    auto *group = new QParallelAnimationGroup(this);
    group->addAnimation(animnow);
    group->addAnimation(animnext);
    connect(group, &QParallelAnimationGroup::finished, this,
            &SlidingStackedWidget::animationDoneSlot);
    m_next = next;
    m_now = now;
    group->start(QAbstractAnimation::DeleteWhenStopped);
}

void SlidingStackedWidget::animationDoneSlot() {
    setCurrentIndex(m_next);
    if (QWidget *leaving = widget(m_now)) {
        leaving->hide();
        leaving->move(m_pnow);
    }
    m_active = false;
    emit animationFinished();
}

#pragma once

#include <QColor>
#include <QWidget>

// A small self-drawn spinner: twelve rounded spokes on a circle, fading from
// the full colour to nearly transparent, turned by 30 degrees on every tick.
class QProgressIndicator : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int delay READ delay WRITE setAnimationDelay)
    Q_PROPERTY(bool displayedWhenStopped READ displayedWhenStopped WRITE setDisplayedWhenStopped)
    Q_PROPERTY(QColor color READ color WRITE setColor)

public:
    // Integer sizes of one spoke for a square of the given side; the painter
    // works with exactly these numbers.
    struct SpokeGeometry {
        int outerRadius = 0;
        int innerRadius = 0;
        int length = 0;
        int width = 0;
        int cornerRadius = 0;
    };
    static SpokeGeometry spokeGeometry(int side);

    explicit QProgressIndicator(QWidget *parent = nullptr);

    int delay() const { return m_delay; }
    bool displayedWhenStopped() const { return m_displayedWhenStopped; }
    QColor color() const { return m_color; }
    int angle() const { return m_angle; }
    bool isSpinning() const { return m_timerId != -1; }

    QSize sizeHint() const override;
    int heightForWidth(int w) const override;

public slots:
    void startAnimation();
    void stopAnimation();
    void setAnimationDelay(int delay);
    void setDisplayedWhenStopped(bool state);
    void setColor(const QColor &color);

protected:
    void timerEvent(QTimerEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    int m_angle = 0;
    int m_timerId = -1;
    int m_delay = 40;
    bool m_displayedWhenStopped = false;
    QColor m_color = Qt::black;
};

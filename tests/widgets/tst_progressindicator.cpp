#include "widgets/QProgressIndicator.h"

#include <QImage>
#include <QtTest>

namespace {

// The indicator alone on black, without any window background, so that
// every lit pixel comes from a spoke.
QImage paintOnBlack(QProgressIndicator &indicator) {
    QImage image(indicator.size(), QImage::Format_ARGB32);
    image.fill(Qt::black);
    indicator.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

int litPixels(const QImage &image) {
    int lit = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) > 40)
                ++lit;
    return lit;
}

} // namespace

class TestProgressIndicator : public QObject {
    Q_OBJECT

private slots:
    void geometry_data() {
        QTest::addColumn<int>("side");
        QTest::addColumn<int>("outer");
        QTest::addColumn<int>("inner");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("corner");
        QTest::newRow("overlay size 50") << 50 << 24 << 9 << 15 << 3 << 1;
        QTest::newRow("size hint 20") << 20 << 9 << 3 << 6 << 2 << 1;
        // 32 still uses the thick spokes of small indicators, 33 the thin ones.
        QTest::newRow("32 thick spokes") << 32 << 15 << 5 << 10 << 3 << 1;
        QTest::newRow("33 thin spokes") << 33 << 16 << 6 << 10 << 2 << 1;
        QTest::newRow("100") << 100 << 49 << 18 << 31 << 7 << 3;
    }

    void geometry() {
        QFETCH(int, side);
        const QProgressIndicator::SpokeGeometry g = QProgressIndicator::spokeGeometry(side);
        QTEST(g.outerRadius, "outer");
        QTEST(g.innerRadius, "inner");
        QTEST(g.length, "length");
        QTEST(g.width, "width");
        QTEST(g.cornerRadius, "corner");
    }

    void defaultsAndProperties() {
        QProgressIndicator indicator;
        QCOMPARE(indicator.sizeHint(), QSize(20, 20));
        QCOMPARE(indicator.heightForWidth(37), 37);
        QCOMPARE(indicator.focusPolicy(), Qt::NoFocus);
        QCOMPARE(indicator.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
        QCOMPARE(indicator.sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
        QVERIFY(!indicator.isSpinning());

        QCOMPARE(indicator.property("delay").toInt(), 40);
        QCOMPARE(indicator.property("displayedWhenStopped").toBool(), false);
        QCOMPARE(indicator.property("color").value<QColor>(), QColor(Qt::black));
        QVERIFY(indicator.setProperty("delay", 75));
        QVERIFY(indicator.setProperty("displayedWhenStopped", true));
        QVERIFY(indicator.setProperty("color", QColor(Qt::red)));
        QCOMPARE(indicator.delay(), 75);
        QVERIFY(indicator.displayedWhenStopped());
        QCOMPARE(indicator.color(), QColor(Qt::red));
    }

    void delayChangeKeepsTimerState() {
        QProgressIndicator indicator;
        indicator.setAnimationDelay(10);
        QVERIFY(!indicator.isSpinning());
        QTest::qWait(50);
        QCOMPARE(indicator.angle(), 0);

        indicator.startAnimation();
        indicator.setAnimationDelay(5);
        QVERIFY(indicator.isSpinning());
        QCOMPARE(indicator.delay(), 5);
        QTRY_VERIFY(indicator.angle() != 0);

        indicator.stopAnimation();
        QVERIFY(!indicator.isSpinning());
        const int stoppedAt = indicator.angle();
        QTest::qWait(30);
        QCOMPARE(indicator.angle(), stoppedAt);
    }

    void turnsInStepsOfThirtyDegrees() {
        QProgressIndicator indicator;
        indicator.setAnimationDelay(1);
        indicator.startAnimation();
        QElapsedTimer clock;
        clock.start();
        // Every step lands on a spoke position, and once past the last one the
        // angle goes back down instead of reaching 360.
        int previous = 0;
        bool wrapped = false;
        bool moved = false;
        while (!wrapped && clock.elapsed() < 10000) {
            QTest::qWait(1);
            const int a = indicator.angle();
            QVERIFY2(a >= 0 && a < 360 && a % 30 == 0, qPrintable(QString::number(a)));
            moved = moved || a != 0;
            wrapped = moved && a < previous;
            previous = a;
        }
        QVERIFY(wrapped);

        // Restarting while spinning only goes back to the first spoke.
        indicator.setAnimationDelay(10000);
        indicator.startAnimation();
        QVERIFY(indicator.isSpinning());
        QCOMPARE(indicator.angle(), 0);
    }

    void paintsOnlyWhenSpinningOrAskedTo() {
        QProgressIndicator indicator;
        indicator.resize(50, 50);
        indicator.setColor(Qt::white);

        QCOMPARE(litPixels(paintOnBlack(indicator)), 0);

        indicator.setDisplayedWhenStopped(true);
        const QImage stopped = paintOnBlack(indicator);
        QVERIFY(litPixels(stopped) > 100);

        indicator.setDisplayedWhenStopped(false);
        indicator.setAnimationDelay(10000); // no tick during the test
        indicator.startAnimation();
        const QImage spinning = paintOnBlack(indicator);
        QCOMPARE(spinning, stopped);

        indicator.stopAnimation();
        QCOMPARE(litPixels(paintOnBlack(indicator)), 0);
    }

    void spokesFadeBehindTheLeadingOne() {
        QProgressIndicator indicator;
        indicator.resize(50, 50);
        indicator.setColor(Qt::white);
        indicator.setDisplayedWhenStopped(true);
        const QImage image = paintOnBlack(indicator);

        // Centre (24, 24); at angle 0 the first spoke points straight up and
        // covers x 23..25, y 0..14; the hub stays empty.
        const QRgb lead = image.pixel(24, 5);
        QCOMPARE(qRed(lead), 255);
        QCOMPARE(qGreen(lead), 255);
        QCOMPARE(qBlue(lead), 255);
        QCOMPARE(qGray(image.pixel(24, 24)), 0);
        QCOMPARE(qGray(image.pixel(24, 20)), 0);
        // Nothing outside the outer radius.
        QCOMPARE(qGray(image.pixel(24, 49)), 0);

        // Spoke 6 points down at half strength, spoke 11 (just clockwise
        // of the leader) is the faintest.
        const int down = qGray(image.pixel(24, 43));
        QVERIFY2(down > 100 && down < 160, qPrintable(QString::number(down)));
        const int last = qGray(image.pixel(30, 11));
        const int second = qGray(image.pixel(18, 11));
        QVERIFY2(second > 200, qPrintable(QString::number(second)));
        QVERIFY2(last < 60, qPrintable(QString::number(last)));
    }
};

QTEST_MAIN(TestProgressIndicator)
#include "tst_progressindicator.moc"

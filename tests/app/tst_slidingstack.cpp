#include "TestRows.h"
#include "app/SlidingStackedWidget.h"

#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(SlidingStackedWidget::t_direction)

namespace {

constexpr int pageCount = 8;
constexpr int stackWidth = 420;
constexpr int stackHeight = 580;

QRgb pageColour(int i) {
    return QColor::fromHsv(i * 40, 200, 200).rgb();
}

QImage snapshot(QWidget *widget) {
    QImage image(widget->size(), QImage::Format_ARGB32);
    image.fill(Qt::magenta);
    widget->render(&image);
    return image;
}

} // namespace

class TestSlidingStack : public QObject {
    Q_OBJECT

private:
    QScopedPointer<QWidget> m_window;
    SlidingStackedWidget *m_stack = nullptr;

    QWidget *page(int i) const { return m_stack->widget(i); }

    int animationGroups() const {
        return m_stack->findChildren<QParallelAnimationGroup *>().size();
    }

    // Waits for the running slide, then lets deferred deletions happen.
    void finishSlide(QSignalSpy &spy, int expectedSignals = 1) {
        QTRY_COMPARE(spy.count(), expectedSignals);
        QTRY_COMPARE(animationGroups(), 0);
        QCOMPARE(m_stack->findChildren<QPropertyAnimation *>().size(), 0);
    }

private slots:
    void init() {
        m_window.reset(new QWidget);
        m_window->resize(stackWidth, stackHeight);
        m_stack = new SlidingStackedWidget(m_window.data());
        m_stack->setGeometry(0, 0, stackWidth, stackHeight);
        for (int i = 0; i < pageCount; ++i) {
            auto *p = new QWidget;
            p->setObjectName(QStringLiteral("page%1").arg(i));
            p->setAutoFillBackground(true);
            QPalette pal = p->palette();
            pal.setColor(QPalette::Window, QColor(pageColour(i)));
            p->setPalette(pal);
            m_stack->addWidget(p);
        }
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.data()));
    }

    void cleanup() { m_window.reset(); }

    void defaults() {
        QCOMPARE(m_stack->speed(), 500);
        QCOMPARE(m_stack->animation(), QEasingCurve::OutBack);
        QVERIFY(!m_stack->verticalMode());
        QVERIFY(!m_stack->wrap());
        QVERIFY(!m_stack->isSliding());
        m_stack->setVerticalMode();
        QVERIFY(m_stack->verticalMode());
    }

    void withoutParentItRecordsItself() {
        QTest::ignoreMessage(QtDebugMsg, "ATTENTION: untested mainwindow case !");
        SlidingStackedWidget orphan(nullptr);
        QCOMPARE(orphan.count(), 0);
        // Nothing to slide to in an empty stack, whatever the index.
        orphan.setWrap(true);
        orphan.slideInIdx(3);
        orphan.slideInIdx(-1);
        orphan.slideInNext();
        orphan.slideInPrev();
        QVERIFY(!orphan.isSliding());
    }

    // Where the arriving page starts tells the direction it comes from.
    void slides_data() {
        QTest::addColumn<bool>("vertical");
        QTest::addColumn<bool>("wrap");
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("call");
        QTest::addColumn<int>("idx");
        QTest::addColumn<SlidingStackedWidget::t_direction>("direction");
        QTest::addColumn<int>("target"); // -1: no slide at all
        QTest::addColumn<QPoint>("from");

        const auto A = SlidingStackedWidget::Automatic;
        const QPoint right(stackWidth, 0), left(-stackWidth, 0);
        const QPoint top(0, -stackHeight), bottom(0, stackHeight);

        QTest::newRow("forward") << false << false << 3 << "idx" << 5 << A << 5 << right;
        QTest::newRow("back") << false << false << 3 << "idx" << 1 << A << 1 << left;
        QTest::newRow("forward vertical") << true << false << 3 << "idx" << 5 << A << 5 << top;
        QTest::newRow("back vertical") << true << false << 3 << "idx" << 1 << A << 1 << bottom;
        QTest::newRow("past the end") << false << false << 3 << "idx" << 8 << A << 0 << right;
        QTest::newRow("past the end vertical") << true << false << 3 << "idx" << 8 << A << 0 << top;
        addRow("past the end overrides direction", false, false, 3, "idx", 9,
               SlidingStackedWidget::LeftToRight, 1, right);
        QTest::newRow("before the start") << false << false << 3 << "idx" << -1 << A << 7 << left;
        addRow("before the start vertical", true, false, 3, "idx", -1, A, 7, bottom);
        addRow("explicit direction kept", false, false, 3, "idx", 5,
               SlidingStackedWidget::BottomToTop, 5, bottom);
        addRow("explicit against order", false, false, 3, "idx", 1,
               SlidingStackedWidget::RightToLeft, 1, right);
        QTest::newRow("next") << false << false << 3 << "next" << 0 << A << 4 << right;
        QTest::newRow("prev") << false << false << 3 << "prev" << 0 << A << 2 << left;
        QTest::newRow("next on last") << false << false << 7 << "next" << 0 << A << -1 << QPoint();
        QTest::newRow("prev on first") << false << false << 0 << "prev" << 0 << A << -1 << QPoint();
        QTest::newRow("next on last, wrap") << false << true << 7 << "next" << 0 << A << 0 << right;
        QTest::newRow("prev on first, wrap") << false << true << 0 << "prev" << 0 << A << 7 << left;
        addRow("next on last, wrap, vertical", true, true, 7, "next", 0, A, 0, top);
        addRow("prev on first, wrap, vertical", true, true, 0, "prev", 0, A, 7, bottom);
        addRow("to the current page", false, false, 3, "idx", 3, A, -1, QPoint());
        addRow("wraps to the current page", false, false, 3, "idx", 11, A, -1, QPoint());
    }

    void slides() {
        QFETCH(bool, vertical);
        QFETCH(bool, wrap);
        QFETCH(int, start);
        QFETCH(QString, call);
        QFETCH(int, idx);
        QFETCH(SlidingStackedWidget::t_direction, direction);
        QFETCH(int, target);
        QFETCH(QPoint, from);

        m_stack->setVerticalMode(vertical);
        m_stack->setWrap(wrap);
        m_stack->setSpeed(200);
        m_stack->setCurrentIndex(start);
        QSignalSpy finished(m_stack, &SlidingStackedWidget::animationFinished);

        if (call == QLatin1String("next"))
            m_stack->slideInNext();
        else if (call == QLatin1String("prev"))
            m_stack->slideInPrev();
        else
            m_stack->slideInIdx(idx, direction);

        if (target < 0) {
            QVERIFY(!m_stack->isSliding());
            QCOMPARE(animationGroups(), 0);
            QTest::qWait(300);
            QCOMPARE(finished.count(), 0);
            QCOMPARE(m_stack->currentIndex(), start);
            return;
        }

        QVERIFY(m_stack->isSliding());
        QCOMPARE(page(target)->pos(), from);
        QVERIFY(page(target)->isVisible());
        QCOMPARE(m_stack->currentIndex(), start); // changes only at the end

        finishSlide(finished);
        QVERIFY(!m_stack->isSliding());
        QCOMPARE(m_stack->currentIndex(), target);
        QCOMPARE(page(target)->geometry(), QRect(0, 0, stackWidth, stackHeight));
        // The leaving page is put away where it was.
        QVERIFY(page(start)->isHidden());
        QCOMPARE(page(start)->pos(), QPoint(0, 0));
    }

    void secondRequestIsDropped() {
        m_stack->setSpeed(200);
        QSignalSpy finished(m_stack, &SlidingStackedWidget::animationFinished);
        m_stack->slideInIdx(2);
        m_stack->slideInIdx(5);
        m_stack->slideInNext();
        QCOMPARE(animationGroups(), 1);
        finishSlide(finished);
        QCOMPARE(m_stack->currentIndex(), 2);
        QTest::qWait(300);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(m_stack->currentIndex(), 2);
        QVERIFY(page(5)->isHidden());

        // Once idle the stack takes requests again.
        m_stack->slideInIdx(5);
        finishSlide(finished, 2);
        QCOMPARE(m_stack->currentIndex(), 5);
    }

    void zeroSpeedCompletesAtOnce() {
        m_stack->setSpeed(0);
        QSignalSpy finished(m_stack, &SlidingStackedWidget::animationFinished);
        m_stack->slideInIdx(4);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(m_stack->currentIndex(), 4);
        QVERIFY(!m_stack->isSliding());
        QVERIFY(page(0)->isHidden());
        QCOMPARE(page(0)->pos(), QPoint(0, 0));
        QCOMPARE(page(4)->pos(), QPoint(0, 0));
        m_stack->slideInPrev();
        QCOMPARE(finished.count(), 2);
        QCOMPARE(m_stack->currentIndex(), 3);
        QTRY_COMPARE(animationGroups(), 0);
    }

    void slidingBackStartsFromACleanLayout() {
        m_stack->setSpeed(100);
        QSignalSpy finished(m_stack, &SlidingStackedWidget::animationFinished);
        for (int round = 1; round <= 4; ++round) {
            const int target = round % 2;
            m_stack->slideInIdx(target);
            // 0 -> 1 enters from the right, 1 -> 0 from the left.
            QCOMPARE(page(target)->pos(), QPoint(target ? stackWidth : -stackWidth, 0));
            finishSlide(finished, round);
            QCOMPARE(page(target)->pos(), QPoint(0, 0));
            QCOMPARE(page(1 - target)->pos(), QPoint(0, 0));
        }
        QCOMPARE(m_stack->findChildren<QAbstractAnimation *>().size(), 0);
    }

    void rendersBothPagesMidSlide() {
        m_stack->setSpeed(400);
        m_stack->setAnimation(QEasingCurve::Linear);
        QSignalSpy finished(m_stack, &SlidingStackedWidget::animationFinished);
        m_stack->slideInIdx(1);
        auto *group = m_stack->findChild<QParallelAnimationGroup *>();
        QVERIFY(group);
        QCOMPARE(group->animationCount(), 2);
        group->pause();
        group->setCurrentTime(200);

        // Halfway: the leaving page fills the left half, the arriving page
        // the right half.
        QCOMPARE(page(0)->pos(), QPoint(-stackWidth / 2, 0));
        QCOMPARE(page(1)->pos(), QPoint(stackWidth / 2, 0));
        QImage shot = snapshot(m_stack);
        QCOMPARE(shot.pixel(stackWidth / 4, 300), pageColour(0));
        QCOMPARE(shot.pixel(stackWidth * 3 / 4, 300), pageColour(1));
        QCOMPARE(shot.pixel(stackWidth / 2 - 1, 10), pageColour(0));
        QCOMPARE(shot.pixel(stackWidth / 2, 10), pageColour(1));

        group->resume();
        finishSlide(finished);
        shot = snapshot(m_stack);
        QCOMPARE(shot.pixel(0, 0), pageColour(1));
        QCOMPARE(shot.pixel(stackWidth - 1, stackHeight - 1), pageColour(1));
        QCOMPARE(shot.pixel(stackWidth / 4, 300), pageColour(1));
    }
};

QTEST_MAIN(TestSlidingStack)
#include "tst_slidingstack.moc"

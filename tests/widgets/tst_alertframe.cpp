#include "widgets/AlertFrame.h"
#include "widgets/QProgressIndicator.h"

#include <QAbstractAnimation>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QPropertyAnimation>
#include <QtTest>

namespace {

// A page in the program's colours that counts the clicks reaching it.
class Page : public QWidget {
public:
    explicit Page(QWidget *parent = nullptr)
        : QWidget(parent) {
        setAutoFillBackground(true);
        QPalette pal = palette();
        pal.setColor(QPalette::Window, QColor(235, 235, 235));
        setPalette(pal);
    }
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent *event) override {
        ++presses;
        QWidget::mousePressEvent(event);
    }
};

QImage snapshot(QWidget *widget) {
    QImage image(widget->size(), QImage::Format_ARGB32);
    image.fill(Qt::magenta);
    widget->render(&image);
    return image;
}

bool near(QRgb pixel, const QColor &expected, int tolerance = 3) {
    return qAbs(qRed(pixel) - expected.red()) <= tolerance &&
           qAbs(qGreen(pixel) - expected.green()) <= tolerance &&
           qAbs(qBlue(pixel) - expected.blue()) <= tolerance;
}

QString describe(QRgb pixel) {
    return QStringLiteral("rgb(%1, %2, %3)").arg(qRed(pixel)).arg(qGreen(pixel)).arg(qBlue(pixel));
}

// rgb(235, 235, 235) under black at alpha 70.
const QColor dimmedPage(170, 170, 170);
const QColor panelBlue(98, 136, 166);

} // namespace

class TestAlertFrame : public QObject {
    Q_OBJECT

private:
    QScopedPointer<Page> m_window;
    AlertFrame *m_alert = nullptr;

    QFrame *panel() const { return m_alert->findChild<QFrame *>(QStringLiteral("frame_top")); }
    QFrame *dimmer() const { return m_alert->findChild<QFrame *>(QStringLiteral("frame")); }
    QLabel *title() const { return m_alert->findChild<QLabel *>(QStringLiteral("label_title")); }
    QLabel *message() const { return m_alert->findChild<QLabel *>(QStringLiteral("label_error")); }
    QProgressIndicator *indicator() const { return m_alert->findChild<QProgressIndicator *>(); }
    // The running slide of the panel, if any.
    QPropertyAnimation *panelSlide() const {
        for (QPropertyAnimation *a : m_alert->findChildren<QPropertyAnimation *>())
            if (a->targetObject() == panel() && a->state() != QAbstractAnimation::Stopped)
                return a;
        return nullptr;
    }

    void clickOverlay(const QPoint &pos = QPoint(200, 400)) {
        QTest::mouseClick(m_alert, Qt::LeftButton, Qt::NoModifier, pos);
    }

    // The panel has arrived and the fade-in is over.
    void waitForAlertIn() {
        QTRY_COMPARE(panel()->pos(), QPoint(0, 0));
        QTRY_COMPARE(m_alert->findChildren<QAbstractAnimation *>().size(), 0);
    }

private slots:
    void init() {
        m_window.reset(new Page);
        m_window->resize(420, 580);
        m_alert = new AlertFrame(m_window.data());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.data()));
    }

    void cleanup() { m_window.reset(); }

    void constructionCoversParentAndStaysHidden() {
        QCOMPARE(m_alert->geometry(), QRect(0, 0, 420, 580));
        QCOMPARE(dimmer()->geometry(), QRect(0, 0, 420, 580));
        QVERIFY(!m_alert->isVisible());
        QVERIFY(!panel()->isVisibleTo(m_alert));
        QVERIFY(!m_alert->isBusy());
        QCOMPARE(panel()->size(), QSize(431, 171));
        QCOMPARE(m_alert->styleSheet(), QStringLiteral("background:transparent;"));
        QCOMPARE(message()->styleSheet(),
                 QStringLiteral("background-color: rgb(98, 136, 166);\ncolor: rgb(255,255, 255);"));
        QVERIFY(message()->wordWrap());
        QVERIFY(message()->font().bold());
        QCOMPARE(message()->font().family(), QStringLiteral("Arial"));
    }

    void busyDimsThePageWithAWhiteSpinner() {
        m_alert->showBusy(m_window.data());
        QVERIFY(m_alert->isBusy());
        QVERIFY(m_alert->isVisible());
        QCOMPARE(indicator()->geometry(), QRect(185, 265, 50, 50));
        QVERIFY(indicator()->isSpinning());
        QCOMPARE(indicator()->color(), QColor(255, 255, 255, 255));

        const QImage shot = snapshot(m_window.data());
        QVERIFY2(near(shot.pixel(10, 10), dimmedPage), qPrintable(describe(shot.pixel(10, 10))));
        QVERIFY2(near(shot.pixel(410, 570), dimmedPage),
                 qPrintable(describe(shot.pixel(410, 570))));
        // White spokes around the centre, the hub left dim.
        int white = 0;
        for (int y = 265; y < 315; ++y)
            for (int x = 185; x < 235; ++x)
                if (qGray(shot.pixel(x, y)) > 245)
                    ++white;
        QVERIFY2(white > 30, qPrintable(QString::number(white)));
        QVERIFY(near(shot.pixel(209, 289), dimmedPage));

        m_alert->hideBusy();
        QVERIFY(!m_alert->isBusy());
        QVERIFY(!m_alert->isVisible());
        QVERIFY(!indicator()->isSpinning());
        QVERIFY(near(snapshot(m_window.data()).pixel(10, 10), QColor(235, 235, 235), 0));
    }

    void busyOverlayCannotBeClickedAway() {
        m_alert->showBusy(m_window.data());
        clickOverlay();
        clickOverlay(QPoint(210, 290)); // on the spinner itself
        QTest::qWait(600);
        QVERIFY(m_alert->isVisible());
        QVERIFY(m_alert->isBusy());
        QCOMPARE(m_window->presses, 0);
    }

    void messageFontFollowsLength_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("pointSize");
        QTest::newRow("empty") << 0 << 16;
        QTest::newRow("100") << 100 << 16;
        QTest::newRow("101") << 101 << 12;
        QTest::newRow("400") << 400 << 12;
    }

    void messageFontFollowsLength() {
        QFETCH(int, length);
        // A long message first, so the short one must switch back.
        m_alert->showAlert(m_window.data(), "t",
                           QString(length < 101 ? 200 : 10, QLatin1Char('y')));
        m_alert->showAlert(m_window.data(), "t", QString(length, QLatin1Char('x')));
        QTEST(message()->font().pointSize(), "pointSize");
        QVERIFY(message()->font().bold());
    }

    void alertSlidesDownAndIsDismissedByAClick() {
        m_alert->showBusy(m_window.data());
        m_alert->showAlert(m_window.data(), QStringLiteral("Error"),
                           QStringLiteral("Connection lost"));
        QVERIFY(!m_alert->isBusy());
        QVERIFY(!indicator()->isVisible());
        QCOMPARE(title()->text(), QStringLiteral("Error"));
        QCOMPARE(message()->text(), QStringLiteral("Connection lost"));
        QVERIFY(m_alert->isVisible());
        QVERIFY(panel()->isVisible());
        // It starts just above the top edge.
        QCOMPARE(panel()->geometry(), QRect(0, -171, 431, 171));

        waitForAlertIn();
        const QImage shot = snapshot(m_window.data());
        QVERIFY2(near(shot.pixel(5, 5), panelBlue, 0), qPrintable(describe(shot.pixel(5, 5))));
        QVERIFY(near(shot.pixel(415, 165), panelBlue, 0));
        QVERIFY2(near(shot.pixel(10, 300), dimmedPage), qPrintable(describe(shot.pixel(10, 300))));
        int white = 0;
        for (int y = 60; y < 161; ++y)
            for (int x = 10; x < 360; ++x)
                if (near(shot.pixel(x, y), Qt::white, 10))
                    ++white;
        QVERIFY2(white > 50, qPrintable(QString::number(white)));

        clickOverlay();
        QCOMPARE(m_window->presses, 0);
        QVERIFY(m_alert->isVisible()); // visible while it fades
        QTRY_VERIFY(!m_alert->isVisible());
        QVERIFY(!panel()->isVisibleTo(m_alert));
        QCOMPARE(panel()->pos(), QPoint(0, -171));
        QVERIFY(near(snapshot(m_window.data()).pixel(5, 5), QColor(235, 235, 235), 0));
        // Position and opacity animations are gone once they have finished.
        QTRY_COMPARE(m_alert->findChildren<QAbstractAnimation *>().size(), 0);
    }

    void secondClickDuringDismissal() {
        m_alert->showAlert(m_window.data(), "t", "m");
        waitForAlertIn();
        clickOverlay();
        // Jump the slide-up to its middle; the second click follows before
        // the event loop runs again, so it surely lands in the slide.
        QPointer<QPropertyAnimation> slide = panelSlide();
        QVERIFY(slide);
        slide->setCurrentTime(250);
        QCOMPARE(panel()->y(), -85);

        clickOverlay();
        QVERIFY(slide.isNull() || slide->state() == QAbstractAnimation::Stopped);
        QPropertyAnimation *second = panelSlide();
        QVERIFY(second);
        QCOMPARE(second->startValue().toPoint(), QPoint(0, -85));
        QCOMPARE(second->endValue().toPoint(), QPoint(0, -171));
        QVERIFY(m_alert->isVisible());
        QTRY_VERIFY(!m_alert->isVisible());
        QCOMPARE(panel()->pos(), QPoint(0, -171));
        QVERIFY(!panel()->isVisibleTo(m_alert));
        QTRY_COMPARE(m_alert->findChildren<QAbstractAnimation *>().size(), 0);
    }

    void newAlertDuringDismissalStays() {
        m_alert->showAlert(m_window.data(), "first", "m");
        waitForAlertIn();
        clickOverlay();
        QPointer<QPropertyAnimation> dismissal = panelSlide();
        QVERIFY(dismissal);
        m_alert->showAlert(m_window.data(), "second", "m2");
        // The superseded slide-up ends without finishing the dismissal.
        waitForAlertIn();
        QVERIFY(dismissal.isNull());
        QVERIFY(m_alert->isVisible());
        QVERIFY(panel()->isVisible());
        QCOMPARE(title()->text(), QStringLiteral("second"));
        QVERIFY(near(snapshot(m_window.data()).pixel(5, 5), panelBlue, 0));
    }

    void busyDuringDismissalKeepsItsLayer() {
        m_alert->showAlert(m_window.data(), "t", "m");
        waitForAlertIn();
        clickOverlay();
        m_alert->showBusy(m_window.data());
        QTRY_VERIFY(!panel()->isVisibleTo(m_alert));
        QVERIFY(m_alert->isBusy());
        QVERIFY(m_alert->isVisible());
        QVERIFY(!panel()->isVisibleTo(m_alert));
        QVERIFY(near(snapshot(m_window.data()).pixel(5, 5), dimmedPage));
        m_alert->hideBusy();
        QVERIFY(!m_alert->isVisible());
    }

    void laterBusyMovesToItsPage() {
        auto *first = new Page(m_window.data());
        first->setGeometry(0, 0, 420, 580);
        auto *second = new Page(m_window.data());
        second->setGeometry(0, 0, 300, 200);
        first->show();
        second->show();

        m_alert->showAlert(first, "t", "m");
        QCOMPARE(m_alert->parentWidget(), first);
        QCOMPARE(m_alert->geometry(), QRect(0, 0, 420, 580));
        waitForAlertIn();

        // The busy state belongs to the other page now: it is drawn there,
        // not in the page of the old alert.
        m_alert->showBusy(second);
        QCOMPARE(m_alert->parentWidget(), second);
        QCOMPARE(m_alert->geometry(), QRect(0, 0, 300, 200));
        QCOMPARE(dimmer()->geometry(), QRect(0, 0, 300, 200));
        QCOMPARE(indicator()->geometry(), QRect(125, 75, 50, 50));
        // The panel is left as it was and cannot be clicked away while busy.
        QVERIFY(panel()->isVisible());
        clickOverlay(QPoint(20, 20));
        QTest::qWait(600);
        QVERIFY(m_alert->isVisible());
        QCOMPARE(panel()->pos(), QPoint(0, 0));
    }

    void endOfBusyKeepsTheAlert() {
        // A failure shown while a request was still busy: ending the busy
        // state afterwards must not take the alert away unread.
        m_alert->showBusy(m_window.data());
        m_alert->showAlert(m_window.data(), "t", "m");
        waitForAlertIn();
        m_alert->showBusy(m_window.data());
        m_alert->hideBusy();
        QVERIFY(!m_alert->isBusy());
        QVERIFY(m_alert->isVisible());
        QVERIFY(panel()->isVisible());
        clickOverlay();
        QTRY_VERIFY(!m_alert->isVisible());
    }

    void alertLayerCoversItsNewParent() {
        auto *big = new Page(m_window.data());
        big->setGeometry(0, 0, 420, 580);
        big->show();
        m_alert->showBusy(m_window.data());
        m_alert->hideBusy();
        m_alert->showBusy(new Page(m_window.data())); // a small, unsized page
        m_alert->showAlert(big, "t", "m");
        waitForAlertIn();
        QCOMPARE(dimmer()->geometry(), QRect(0, 0, 420, 580));
        QVERIFY(near(snapshot(m_window.data()).pixel(410, 570), dimmedPage));
    }

    void missingPageIsLoggedNotFatal() {
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("showBusy"));
        m_alert->showBusy(nullptr);
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("showAlert"));
        m_alert->showAlert(nullptr, "t", "m");
        QVERIFY(!m_alert->isVisible());
        QVERIFY(!m_alert->isBusy());
    }
};

QTEST_MAIN(TestAlertFrame)
#include "tst_alertframe.moc"

// A viewer's whole journey through the real program, driven from outside.
//
// The program runs as its own process on an X server of this test's own
// (XSession), with a private home and settings store, against the local
// development service. The test moves the pointer and types like a person,
// finds the pages in screenshots by their colours and geometry, and checks
// the lasting effects where they live: the service's records (through its
// JSON-RPC API, as the test harness) and the settings file the program wrote.
//
// The steps depend on each other and run in declaration order; once one
// fails, the later ones are skipped. Screenshots of every step stay in the
// test's temporary folder when something fails (its path is printed), or
// always with VANTERO_E2E_KEEP=1 in the environment.

#include "DevServiceProcess.h"
#include "TestSupport.h"
#include "XSession.h"

#include "service/JsonRpc.h"
#include "service/NetworkManager.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace {

const QSize screenSize(1280, 800);
const QSize flowSize(420, 580);
// The channel list's first row: under the group strip (50) and the search
// field (44). Rows are 70 high.
constexpr int listTop = 94;
const QColor pageBackground(235, 235, 235);
const QColor headerBlue(98, 136, 166);
const QColor playingRow(106, 144, 176);

const QString localPhone = QStringLiteral("9123456789");
const QString fullPhone = QStringLiteral("79123456789");
const QString accountName = QStringLiteral("Journey Tester");
const QString accountPassword = QStringLiteral("journey77");
const QString deviceName = QStringLiteral("E2E Box");
const QString playlistTitle = QStringLiteral("E2E Mix");
const QString parentalPassword = QStringLiteral("4321");
// The platform plug-in the program runs on names its device options.
const QString platform = QStringLiteral("xcb");

bool near(QRgb pixel, const QColor &colour, int tolerance = 8) {
    return qAbs(qRed(pixel) - colour.red()) <= tolerance &&
           qAbs(qGreen(pixel) - colour.green()) <= tolerance &&
           qAbs(qBlue(pixel) - colour.blue()) <= tolerance;
}

int countPixels(const QImage &image, const QRect &area, const std::function<bool(QRgb)> &test) {
    const QRect clipped = area.intersected(image.rect());
    int count = 0;
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        for (int x = clipped.left(); x <= clipped.right(); ++x) {
            if (test(image.pixel(x, y)))
                ++count;
        }
    }
    return count;
}

int differingPixels(const QImage &a, const QImage &b, const QRect &area) {
    if (a.isNull() || b.isNull())
        return 0;
    const QRect clipped = area.intersected(a.rect()).intersected(b.rect());
    int count = 0;
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        for (int x = clipped.left(); x <= clipped.right(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            if (qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q)) >
                30)
                ++count;
        }
    }
    return count;
}

bool isDark(QRgb p) {
    return qMax(qRed(p), qMax(qGreen(p), qBlue(p))) < 140;
}

bool isSaturated(QRgb p) {
    return qMax(qRed(p), qMax(qGreen(p), qBlue(p))) - qMin(qRed(p), qMin(qGreen(p), qBlue(p))) > 90;
}

bool isWhite(QRgb p) {
    return qRed(p) > 245 && qGreen(p) > 245 && qBlue(p) > 245;
}

} // namespace

class tst_journey : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void signUpByPhone();
    void signInWithPhone();
    void registerDevice();
    void addPlaylistFromFile();
    void choosePlaylistShowsGroupsChannelsLogosAndProgrammes();
    void playChannelShowsMovingPicture();
    void nextAndPrevious();
    void favouriteIsStoredOnService();
    void parentalPasswordUnlocksAdultChannel();
    void programmeGuide();
    void switchToRussian();
    void signOut();
    void restartLandsOnSignInWithDeviceKept();
    void playlistDeletedWhileClosedLeadsToPlaylistPage();

private:
    // The program, as a person starts it.
    bool startProgram();
    void stopProgram();

    // Screens and windows.
    QImage grab();
    void snap(const QString &step);
    QRect mainWindow(QString *id = nullptr) const;
    QRect otherWindow(QString *id = nullptr) const;
    using ScreenTest = std::function<bool(const QImage &, const QRect &)>;
    // Waits until test holds for the main window (or, with onDialog, for
    // another window of the program) on two screenshots in a row whose
    // stableArea (window coordinates; empty = none) did not change.
    bool waitForScreen(const ScreenTest &test, int timeoutMs, const QRect &stableArea,
                       bool onDialog = false);
    bool waitFor(const std::function<bool()> &condition, int timeoutMs, int pollMs = 250);
    QPoint at(const QRect &window, int x, int y) const { return window.topLeft() + QPoint(x, y); }
    bool clickIn(const QRect &window, int x, int y) { return m_x.click(at(window, x, y)); }
    bool typeInto(const QRect &window, int x, int y, const QString &text, bool replace = false);

    // Pages of the sign-in flow, in window coordinates of a 420 x 580 page.
    static bool idleFlowPage(const QImage &s, const QRect &w);
    static bool headerPage(const QImage &s, const QRect &w);
    static bool whiteAt(const QImage &s, const QRect &w, int x, int y);
    static bool backgroundAt(const QImage &s, const QRect &w, int x, int y);

    // The channel browser.
    int rightPanelX(const QImage &s, const QRect &w) const;
    QRect playerArea(const QImage &s, const QRect &w) const;
    QVector<int> groupCentres(const QImage &s, const QRect &w) const;
    bool pictureMoves(const QRect &area, QString *detail);
    bool rowIsMarked(const QImage &s, const QRect &w, int row) const;

    // The program's settings file and the service's records.
    QVariant storedInfo(const QString &key) const;
    QString serviceToken() const;
    QString deviceOption(const QString &key) const;
    int playlistId() const;
    int channelId(const QString &title) const;

    ScopedSettings m_settings;
    QTemporaryDir m_dir;
    QScopedPointer<DevServiceProcess> m_service;
    XSession m_x;
    QScopedPointer<QProcess> m_program;
    int m_programRuns = 0;
    int m_shots = 0;
    QImage m_last;
    bool m_broken = false;
    QElapsedTimer m_clock;
};

// ---- set-up -------------------------------------------------------------

void tst_journey::initTestCase() {
    m_clock.start();
    QVERIFY(m_dir.isValid());
    for (const char *tool : {"Xvfb", "xdotool", "import"})
        QVERIFY2(!QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty(),
                 qPrintable(QStringLiteral("%1 is missing (scripts/install-deps installs it)")
                                .arg(QLatin1String(tool))));
    // The harness's own calls to the service must not depend on the
    // machine's network interfaces.
    JsonRpc::setOnlineCheck([] { return true; });

    for (const char *sub :
         {"app", "home/config/vantero", "home/cache", "home/data", "runtime", "work", "shots"})
        QVERIFY(QDir(m_dir.path()).mkpath(QLatin1String(sub)));
    QFile::setPermissions(m_dir.filePath(QStringLiteral("runtime")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    // A copy of the program with its catalogues and font, so that the logo
    // cache it keeps beside itself is this test's alone.
    const QFileInfo program(QStringLiteral(VANTERO_PROGRAM));
    QVERIFY2(program.exists(), qPrintable(program.filePath()));
    for (const QString &name : {program.fileName(), QStringLiteral("lang_en.qm"),
                                QStringLiteral("lang_ru.qm"), QStringLiteral("Lobster 1.4.otf")}) {
        const QString from = program.dir().filePath(name);
        QVERIFY2(QFile::copy(from, m_dir.filePath(QStringLiteral("app/") + name)),
                 qPrintable(from));
    }
    QFile::setPermissions(m_dir.filePath(QStringLiteral("app/") + program.fileName()),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    const QString config = m_dir.filePath(QStringLiteral("home/config/vantero/vantero.conf"));
    m_service.reset(new DevServiceProcess({QStringLiteral("--client-config"), config}));
    QVERIFY2(m_service->start(), qPrintable(m_service->errorString()));
    {
        // The interface language is set, not guessed from the machine.
        QSettings settings(config, QSettings::IniFormat);
        settings.setValue(QStringLiteral("info/lang"), QStringLiteral("lang_en"));
    }
    QVERIFY2(QSettings(config, QSettings::IniFormat)
                 .value(QStringLiteral("service/api_url"))
                 .toString()
                 .startsWith(QLatin1String("https://127.0.0.1:")),
             "the service did not write the program's service settings");

    QString error;
    QVERIFY2(m_x.start(screenSize, &error), qPrintable(error));
    QVERIFY(startProgram());
}

void tst_journey::init() {
    if (m_broken)
        QSKIP("an earlier step of the journey failed");
}

void tst_journey::cleanup() {
    if (QTest::currentTestFailed()) {
        m_broken = true;
        snap(QStringLiteral("FAILED-") + QLatin1String(QTest::currentTestFunction()));
        m_dir.setAutoRemove(false);
        qWarning("Screenshots and logs of the journey are kept in %s", qPrintable(m_dir.path()));
        if (m_program)
            qWarning("Program log: %s", qPrintable(m_dir.filePath(
                                            QStringLiteral("program-%1.log").arg(m_programRuns))));
    }
    qInfo("%s done at %.1f s", QTest::currentTestFunction(), m_clock.elapsed() / 1000.0);
}

void tst_journey::cleanupTestCase() {
    if (qEnvironmentVariableIsSet("VANTERO_E2E_KEEP")) {
        m_dir.setAutoRemove(false);
        qInfo("Screenshots of the journey: %s",
              qPrintable(m_dir.filePath(QStringLiteral("shots"))));
    }
    stopProgram();
    m_x.stop();
    // The harness's kept-alive connections end here, before the service
    // goes: a service that closes them under a waiting TLS connection
    // leaves the network thread with an error state it never frees.
    NetworkManager::instance()->clearConnectionCache();
    QTest::qWait(200);
    if (m_service) {
        if (m_broken) {
            QFile log(m_dir.filePath(QStringLiteral("service.log")));
            if (log.open(QIODevice::WriteOnly))
                log.write(m_service->output().toUtf8());
        }
        m_service->stop();
    }
}

bool tst_journey::startProgram() {
    ++m_programRuns;
    m_program.reset(new QProcess);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString home = m_dir.filePath(QStringLiteral("home"));
    environment.insert(QStringLiteral("DISPLAY"), m_x.display());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/cache"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"),
                       m_dir.filePath(QStringLiteral("runtime")));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    environment.remove(QStringLiteral("QT_SCALE_FACTOR"));
    m_program->setProcessEnvironment(environment);
    m_program->setWorkingDirectory(m_dir.filePath(QStringLiteral("work")));
    m_program->setProcessChannelMode(QProcess::MergedChannels);
    m_program->setStandardOutputFile(
        m_dir.filePath(QStringLiteral("program-%1.log").arg(m_programRuns)));
    m_program->start(m_dir.filePath(QStringLiteral("app/") +
                                    QFileInfo(QStringLiteral(VANTERO_PROGRAM)).fileName()),
                     QStringList());
    return m_program->waitForStarted(10000);
}

void tst_journey::stopProgram() {
    if (!m_program)
        return;
    if (m_program->state() != QProcess::NotRunning) {
        m_program->terminate();
        if (!m_program->waitForFinished(10000)) {
            m_program->kill();
            m_program->waitForFinished(5000);
        }
    }
    m_program.reset();
}

// ---- screens --------------------------------------------------------------

QImage tst_journey::grab() {
    m_last = m_x.capture(m_dir.filePath(QStringLiteral("shots/last.png")));
    return m_last;
}

void tst_journey::snap(const QString &step) {
    if (m_last.isNull())
        return;
    m_last.save(m_dir.filePath(
        QStringLiteral("shots/%1-%2.png").arg(++m_shots, 2, 10, QLatin1Char('0')).arg(step)));
}

QRect tst_journey::mainWindow(QString *id) const {
    if (!m_program)
        return QRect();
    for (const XSession::Window &window : m_x.windowsOf(m_program->processId())) {
        if (window.name == QLatin1String("Vantero")) {
            if (id)
                *id = window.id;
            return window.rect;
        }
    }
    return QRect();
}

QRect tst_journey::otherWindow(QString *id) const {
    if (!m_program)
        return QRect();
    for (const XSession::Window &window : m_x.windowsOf(m_program->processId())) {
        if (window.name != QLatin1String("Vantero")) {
            if (id)
                *id = window.id;
            return window.rect;
        }
    }
    return QRect();
}

bool tst_journey::waitFor(const std::function<bool()> &condition, int timeoutMs, int pollMs) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QTest::qWait(pollMs);
    }
    return true;
}

bool tst_journey::waitForScreen(const ScreenTest &test, int timeoutMs, const QRect &stableArea,
                                bool onDialog) {
    QImage previous;
    QRect previousWindow;
    return waitFor(
        [&] {
            const QRect window = onDialog ? otherWindow() : mainWindow();
            if (window.isEmpty())
                return false;
            const QImage shot = grab();
            if (shot.isNull() || !test(shot, window)) {
                previous = QImage();
                return false;
            }
            const QRect area = stableArea.translated(window.topLeft());
            const bool stable =
                stableArea.isEmpty() || (!previous.isNull() && window == previousWindow &&
                                         differingPixels(previous, shot, area) == 0);
            previous = shot;
            previousWindow = window;
            return stable;
        },
        timeoutMs, 150);
}

bool tst_journey::typeInto(const QRect &window, int x, int y, const QString &text, bool replace) {
    if (!clickIn(window, x, y))
        return false;
    QTest::qWait(100);
    // With no window manager the keyboard stays with whichever window had it
    // last: hand it to the window the field is in, as a click would on a
    // desktop.
    QString id;
    if (mainWindow() == window)
        mainWindow(&id);
    else if (otherWindow() == window)
        otherWindow(&id);
    if (!id.isEmpty())
        m_x.xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), id});
    if (replace && !m_x.key(QStringLiteral("ctrl+a")))
        return false;
    return m_x.typeText(text);
}

bool tst_journey::whiteAt(const QImage &s, const QRect &w, int x, int y) {
    return isWhite(s.pixel(w.topLeft() + QPoint(x, y)));
}

bool tst_journey::backgroundAt(const QImage &s, const QRect &w, int x, int y) {
    return near(s.pixel(w.topLeft() + QPoint(x, y)), pageBackground, 3);
}

// A page of the 420 x 580 flow that is not dimmed by the busy overlay.
bool tst_journey::idleFlowPage(const QImage &s, const QRect &w) {
    return w.size() == flowSize && backgroundAt(s, w, 5, 575);
}

bool tst_journey::headerPage(const QImage &s, const QRect &w) {
    return idleFlowPage(s, w) && near(s.pixel(w.topLeft() + QPoint(200, 5)), headerBlue);
}

// The left panel is 420 wide; the splitter handle follows, then the right
// panel, whose top toolbar has the header colour again.
int tst_journey::rightPanelX(const QImage &s, const QRect &w) const {
    for (int x = 421; x < 460 && x < w.width(); ++x) {
        if (near(s.pixel(w.left() + x, w.top() + 48), headerBlue, 3))
            return x;
    }
    return 425;
}

QRect tst_journey::playerArea(const QImage &s, const QRect &w) const {
    const int left = rightPanelX(s, w);
    return QRect(w.left() + left + 10, w.top() + 60, w.width() - left - 20, w.height() - 120);
}

// The centres of the group strip's entries, found as runs of text columns
// in the strip (entries are far apart, letters close together).
QVector<int> tst_journey::groupCentres(const QImage &s, const QRect &w) const {
    QVector<int> centres;
    int start = -1, lastText = -100;
    for (int x = 2; x < 418; ++x) {
        bool text = false;
        for (int y = 12; y < 38 && !text; ++y)
            text = !near(s.pixel(w.left() + x, w.top() + y), headerBlue, 30);
        if (text) {
            if (x - lastText > 15) {
                if (start >= 0)
                    centres.append((start + lastText) / 2);
                start = x;
            }
            lastText = x;
        }
    }
    if (start >= 0)
        centres.append((start + lastText) / 2);
    return centres;
}

// Two screenshots a second apart differ inside the area, and the area shows
// a picture, not a black or empty player.
bool tst_journey::pictureMoves(const QRect &area, QString *detail) {
    int lastDiff = 0, lastColoured = 0;
    const bool moved = waitFor(
        [&] {
            const QImage first = grab();
            QTest::qWait(1000);
            const QImage second = grab();
            lastDiff = differingPixels(first, second, area);
            lastColoured = countPixels(second, area, [](QRgb p) { return !isDark(p); });
            const int size = area.width() * area.height();
            return lastDiff > size / 200 && lastColoured > size / 10;
        },
        25000, 100);
    *detail = QStringLiteral("%1 pixels changed, %2 not dark, of %3")
                  .arg(lastDiff)
                  .arg(lastColoured)
                  .arg(area.width() * area.height());
    return moved;
}

// The row of the channel just started: current and painted in the marked
// colour (the colour does not tell the playing mark from the selection, so
// the steps that use it also check the picture).
bool tst_journey::rowIsMarked(const QImage &s, const QRect &w, int row) const {
    return near(s.pixel(w.left() + 410, w.top() + listTop + 70 * row + 5), playingRow, 10);
}

// ---- lasting state --------------------------------------------------------

QVariant tst_journey::storedInfo(const QString &key) const {
    QSettings settings(m_dir.filePath(QStringLiteral("home/config/vantero/vantero.conf")),
                       QSettings::IniFormat);
    return settings.value(QStringLiteral("info/") + key);
}

QString tst_journey::serviceToken() const {
    QString error;
    const QJsonValue token = m_service->call(
        QStringLiteral("login_phone"),
        QJsonArray{fullPhone, accountPassword, storedInfo(QStringLiteral("device_key")).toString()},
        &error);
    return error.isEmpty() ? token.toString() : QString();
}

QString tst_journey::deviceOption(const QString &key) const {
    const QString token = serviceToken();
    QString error;
    const QJsonValue value =
        m_service->call(QStringLiteral("get_devopt"), QJsonArray{key, token}, &error);
    m_service->call(QStringLiteral("logout"), QJsonArray{token});
    return error.isEmpty() ? value.toString() : QStringLiteral("<error %1>").arg(error);
}

int tst_journey::playlistId() const {
    const QString token = serviceToken();
    const QJsonArray playlists =
        m_service->call(QStringLiteral("get_playlists"), QJsonArray{token}).toArray();
    m_service->call(QStringLiteral("logout"), QJsonArray{token});
    for (const QJsonValue &playlist : playlists) {
        if (playlist[QLatin1String("title")].toString() == playlistTitle)
            return playlist[QLatin1String("id")].toInt();
    }
    return 0;
}

int tst_journey::channelId(const QString &title) const {
    const int playlist = playlistId();
    const QString token = serviceToken();
    const QJsonArray channels =
        m_service->call(QStringLiteral("get_channels"), QJsonArray{token, playlist}).toArray();
    m_service->call(QStringLiteral("logout"), QJsonArray{token});
    for (const QJsonValue &channel : channels) {
        if (channel[QLatin1String("title")].toString() == title)
            return channel[QLatin1String("id")].toInt();
    }
    return 0;
}

// ---- the journey ----------------------------------------------------------

void tst_journey::signUpByPhone() {
    // First start, nothing stored: the sign-in page, with its blue button.
    QVERIFY2(waitForScreen(
                 [](const QImage &s, const QRect &w) {
                     return idleFlowPage(s, w) && backgroundAt(s, w, 15, 40) &&
                            !backgroundAt(s, w, 30, 276);
                 },
                 60000, QRect(0, 0, 420, 580)),
             "the sign-in page did not show");
    snap(QStringLiteral("sign-in"));
    QRect w = mainWindow();

    QVERIFY(clickIn(w, 210, 346)); // "Sign Up"
    // The sign-up page, idle once the country lookup has answered.
    QVERIFY2(waitForScreen(
                 [](const QImage &s, const QRect &w) {
                     return headerPage(s, w) && whiteAt(s, w, 300, 247) && whiteAt(s, w, 300, 180);
                 },
                 20000, QRect(0, 0, 420, 580)),
             "the sign-up page did not show");
    snap(QStringLiteral("sign-up"));
    w = mainWindow();
    QVERIFY(typeInto(w, 250, 113, localPhone));
    QVERIFY(typeInto(w, 200, 247, accountName));
    QVERIFY(typeInto(w, 200, 314, accountPassword));
    QVERIFY(typeInto(w, 200, 381, accountPassword));
    grab();
    snap(QStringLiteral("sign-up-filled"));
    QVERIFY(clickIn(w, 390, 30)); // done

    // The service texts a code; a person reads it from the phone, the test
    // from the service's outbox.
    int code = -1;
    QVERIFY2(waitFor([&] { return (code = m_service->lastSmsCode(fullPhone)) > 0; }, 20000),
             "the service sent no code");
    QVERIFY2(waitForScreen(
                 [](const QImage &s, const QRect &w) {
                     return headerPage(s, w) && whiteAt(s, w, 300, 180) &&
                            backgroundAt(s, w, 300, 247);
                 },
                 20000, QRect(0, 0, 420, 580)),
             "the code page did not show");
    snap(QStringLiteral("sms-code"));
    w = mainWindow();
    QVERIFY(typeInto(w, 200, 180, QString::number(code)));
    QVERIFY(clickIn(w, 390, 30));

    // Back on the sign-in page, the window centred on the screen.
    QVERIFY2(waitForScreen(
                 [](const QImage &s, const QRect &w) {
                     return idleFlowPage(s, w) && backgroundAt(s, w, 15, 40) &&
                            !backgroundAt(s, w, 30, 276) &&
                            w.topLeft() ==
                                QPoint(screenSize.width() / 2 - 210, screenSize.height() / 2 - 290);
                 },
                 20000, QRect(0, 0, 420, 580)),
             "the verified sign-up did not return to the sign-in page");
    snap(QStringLiteral("signed-up"));
    QVERIFY2(!serviceToken().isEmpty(), "the new account cannot sign in on the service");
}

void tst_journey::signInWithPhone() {
    const QRect w = mainWindow();
    QVERIFY(typeInto(w, 200, 114, fullPhone));
    QVERIFY(typeInto(w, 200, 194, accountPassword));
    QVERIFY(m_x.key(QStringLiteral("Return"))); // Return signs in

    QVERIFY2(waitFor([&] { return storedInfo(QStringLiteral("user_name")) == fullPhone; }, 20000),
             "the sign-in was not stored");
    QCOMPARE(storedInfo(QStringLiteral("user_password")).toString(), accountPassword);
    // The device page: header, the name field, nothing dimmed.
    QVERIFY2(waitForScreen(
                 [](const QImage &s, const QRect &w) {
                     return headerPage(s, w) && whiteAt(s, w, 400, 129) &&
                            backgroundAt(s, w, 300, 180);
                 },
                 20000, QRect(0, 0, 420, 580)),
             "the device page did not show");
    snap(QStringLiteral("device-page"));
}

void tst_journey::registerDevice() {
    const QRect w = mainWindow();
    QVERIFY(typeInto(w, 200, 129, deviceName, true));
    QVERIFY(clickIn(w, 390, 30)); // next: registers the typed name

    // The playlist page stores the device it was opened for.
    QVERIFY2(
        waitFor([&] { return storedInfo(QStringLiteral("device_name")) == deviceName; }, 20000),
        "the device was not stored");
    const QString key = storedInfo(QStringLiteral("device_key")).toString();
    QVERIFY(!key.isEmpty());
    const QString token = serviceToken();
    const QJsonArray devices =
        m_service->call(QStringLiteral("get_devices"), QJsonArray{platform, token}).toArray();
    m_service->call(QStringLiteral("logout"), QJsonArray{token});
    bool registered = false;
    for (const QJsonValue &device : devices)
        registered |= device[QLatin1String("name")].toString() == deviceName &&
                      device[QLatin1String("key")].toString() == key;
    QVERIFY2(registered, "the service does not know the device");

    // A new account has no playlists: the notice with its "Go" button.
    QVERIFY2(waitForScreen(
                 [](const QImage &s, const QRect &w) {
                     return headerPage(s, w) && !backgroundAt(s, w, 200, 436);
                 },
                 20000, QRect(0, 0, 420, 580)),
             "the playlist page did not show its no-playlist notice");
    snap(QStringLiteral("playlist-page-empty"));
}

void tst_journey::addPlaylistFromFile() {
    // A small playlist of the service's own streams, logos and programme
    // ids, with an adult channel.
    const QString web = m_service->webUrl().toString();
    const QString media = m_service->mediaUrl().toString();
    const QString file = m_dir.filePath(QStringLiteral("journey.m3u"));
    {
        QFile playlist(file);
        QVERIFY(playlist.open(QIODevice::WriteOnly));
        auto entry = [&](const char *id, const char *logo, const char *group, const char *extra,
                         const char *title, const char *stream) {
            playlist.write(QStringLiteral("#EXTINF:-1 tvg-id=\"%1\" tvg-logo=\"%2/logos/%3.png\" "
                                          "group-title=\"%4\"%5,%6\n%7/media/%8.ts\n")
                               .arg(QLatin1String(id), web, QLatin1String(logo),
                                    QLatin1String(group), QLatin1String(extra),
                                    QLatin1String(title), media, QLatin1String(stream))
                               .toUtf8());
        };
        playlist.write("#EXTM3U\n");
        entry("101", "vantero-news", "News", "", "Vantero News", "news");
        entry("103", "world-report", "News", "", "World Report", "sport");
        entry("115", "cinema-one", "Movies", "", "Cinema One", "movies");
        entry("121", "late-night", "Movies", " adult=\"1\"", "Late Night", "music");
    }

    QRect w = mainWindow();
    QVERIFY(clickIn(w, 200, 175)); // "File"
    QString dialog;
    QRect d;
    QVERIFY2(waitFor([&] { return !(d = otherWindow(&dialog)).isEmpty(); }, 20000),
             "no file dialog");
    QTest::qWait(500);
    grab();
    snap(QStringLiteral("file-dialog"));
    // The file name field has the focus; the pointer goes over the dialog
    // first, as there is no window manager to give it the keyboard.
    QVERIFY(m_x.xdotool({QStringLiteral("mousemove"), QString::number(d.center().x()),
                         QString::number(d.center().y())}));
    m_x.xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), dialog});
    QVERIFY(m_x.typeText(file));
    QVERIFY(m_x.key(QStringLiteral("Return")));
    QVERIFY2(waitFor([&] { return otherWindow().isEmpty(); }, 20000),
             "the file dialog did not close");

    // The add page in file mode: one field, the title.
    QVERIFY2(waitForScreen(
                 [](const QImage &s, const QRect &w) {
                     return headerPage(s, w) && whiteAt(s, w, 300, 114) &&
                            backgroundAt(s, w, 300, 194);
                 },
                 20000, QRect(0, 0, 420, 580)),
             "the add-playlist page did not show in file mode");
    snap(QStringLiteral("add-playlist"));
    w = mainWindow();
    QVERIFY(typeInto(w, 200, 114, playlistTitle));
    QVERIFY(clickIn(w, 390, 30));

    QVERIFY2(waitFor([&] { return playlistId() > 0; }, 30000),
             "the uploaded playlist is not on the service");
    QVERIFY(channelId(QStringLiteral("Late Night")) > 0);
    // Back on the playlist page, which lists it.
    QVERIFY2(waitForScreen(
                 [](const QImage &s, const QRect &w) {
                     return headerPage(s, w) &&
                            countPixels(s, QRect(w.left() + 10, w.top() + 260, 200, 30), isDark) >
                                30;
                 },
                 20000, QRect(0, 0, 420, 580)),
             "the playlist page does not list the new playlist");
    snap(QStringLiteral("playlist-page"));
}

void tst_journey::choosePlaylistShowsGroupsChannelsLogosAndProgrammes() {
    QVERIFY(clickIn(mainWindow(), 200, 275));
    QVERIFY2(
        waitFor([&] { return storedInfo(QStringLiteral("playlist_id")).toInt() == playlistId(); },
                20000),
        "the chosen playlist was not stored");
    QCOMPARE(storedInfo(QStringLiteral("playlist_name")).toString(), playlistTitle);

    // Main mode fills the screen (there is no window manager to maximise
    // it); the channel browser loads and the busy overlay goes.
    auto browserReady = [](const QImage &s, const QRect &w) {
        return w == QRect(QPoint(0, 0), screenSize) && near(s.pixel(415, 25), headerBlue) &&
               isWhite(s.pixel(415, w.height() - 100)) &&
               near(s.pixel(300, w.height() - 25), headerBlue) &&
               countPixels(s, QRect(75, listTop + 5, 325, 25), isDark) > 50;
    };
    QVERIFY2(waitForScreen(browserReady, 30000, QRect(0, 0, 420, 800)),
             "the channel browser did not show the channels");
    snap(QStringLiteral("channel-browser"));
    QImage s = m_last;
    QRect w = mainWindow();
    QVector<int> groups = groupCentres(s, w);
    QCOMPARE(groups.size(), 2);                                                  // News, Movies
    QVERIFY(countPixels(s, QRect(75, listTop + 5 + 70, 325, 25), isDark) > 50);  // second row
    QVERIFY(countPixels(s, QRect(75, listTop + 5 + 140, 325, 25), isDark) == 0); // no third

    // Logos and programmes arrive after the rows are built; they show when
    // the group is shown again (or at the next minute's refresh).
    auto logosAndProgrammes = [&](const QImage &s, const QRect &w) {
        if (!browserReady(s, w))
            return false;
        for (int row = 0; row < 2; ++row) {
            const int top = listTop + 70 * row;
            if (countPixels(s, QRect(5, top + 5, 60, 60), isSaturated) < 500)
                return false; // the placeholder icon, not the logo
            if (countPixels(s, QRect(75, top + 36, 325, 14), isDark) < 40)
                return false; // "..." instead of the programme's name
        }
        return true;
    };
    const bool shown = waitFor(
        [&] {
            QImage shot = grab();
            if (logosAndProgrammes(shot, w))
                return true;
            groups = groupCentres(shot, w);
            if (groups.size() != 2)
                return false;
            m_x.click(at(w, groups.at(1), 25));
            QTest::qWait(300);
            m_x.click(at(w, groups.at(0), 25));
            QTest::qWait(500);
            return logosAndProgrammes(grab(), w);
        },
        30000, 500);
    snap(QStringLiteral("logos-and-programmes"));
    QVERIFY2(shown, "the rows show no logos or no running programme");
}

void tst_journey::playChannelShowsMovingPicture() {
    const QRect w = mainWindow();
    // A double click plays ("Vantero News", row 0).
    QVERIFY(m_x.doubleClick(at(w, 200, listTop + 35)));
    QVERIFY2(waitFor([&] { return rowIsMarked(grab(), w, 0); }, 15000),
             "the first row is not marked as playing");
    QString detail;
    const QRect area = playerArea(m_last, w);
    QVERIFY2(pictureMoves(area, &detail), qPrintable(detail));
    snap(QStringLiteral("playing"));
}

void tst_journey::nextAndPrevious() {
    const QRect w = mainWindow();
    const QImage s = grab();
    const int right = rightPanelX(s, w);
    const int barLeft = right + (w.width() - right - 391) / 2;
    const QPoint previous = at(w, barLeft + 115, w.height() - 25);
    const QPoint next = at(w, barLeft + 205, w.height() - 25);
    const QRect area = playerArea(s, w);

    QVERIFY(m_x.click(next));
    QVERIFY2(waitFor(
                 [&] {
                     const QImage shot = grab();
                     return rowIsMarked(shot, w, 1) && !rowIsMarked(shot, w, 0);
                 },
                 15000),
             "next did not move to the second channel");
    snap(QStringLiteral("next"));
    QString detail;
    QVERIFY2(pictureMoves(area, &detail), qPrintable(detail));

    QVERIFY(m_x.click(previous));
    QVERIFY2(waitFor(
                 [&] {
                     const QImage shot = grab();
                     return rowIsMarked(shot, w, 0) && !rowIsMarked(shot, w, 1);
                 },
                 15000),
             "previous did not return to the first channel");
    snap(QStringLiteral("previous"));
    QVERIFY2(pictureMoves(area, &detail), qPrintable(detail));
}

void tst_journey::favouriteIsStoredOnService() {
    const QRect w = mainWindow();
    const int playlist = playlistId();
    const QString key = QStringLiteral("%1_fav_%2").arg(platform).arg(playlist);
    const int news = channelId(QStringLiteral("Vantero News"));
    QVERIFY(news > 0);
    const QPoint favourite = at(w, 420 - 5 - 20, w.height() - 25);

    const int groupsBefore = groupCentres(grab(), w).size();
    QVERIFY(groupsBefore >= 2);
    // Select the channel, then mark it.
    QVERIFY(m_x.click(at(w, 200, listTop + 35)));
    QTest::qWait(300);
    QVERIFY(m_x.click(favourite));
    QVERIFY2(waitFor([&] { return deviceOption(key) == QStringLiteral("[%1]").arg(news); }, 20000),
             qPrintable(QStringLiteral("stored favourites: %1").arg(deviceOption(key))));
    // The favourites group heads the strip, beside the groups there were
    // (the channels' own and, once a channel has played, "Recently watched").
    QVERIFY2(waitFor([&] { return groupCentres(grab(), w).size() == groupsBefore + 1; }, 15000),
             "no favourites group");
    snap(QStringLiteral("favourite-added"));

    // And unmark it: the service keeps an empty list, the group goes.
    QVERIFY(m_x.click(favourite));
    QVERIFY2(waitFor([&] { return deviceOption(key) == QLatin1String("[]"); }, 20000),
             qPrintable(QStringLiteral("stored favourites: %1").arg(deviceOption(key))));
    QVERIFY2(waitFor([&] { return groupCentres(grab(), w).size() == groupsBefore; }, 15000),
             "the favourites group stayed");
    snap(QStringLiteral("favourite-removed"));
}

void tst_journey::parentalPasswordUnlocksAdultChannel() {
    const QRect w = mainWindow();
    const QString key = QStringLiteral("%1_parent_pass").arg(platform);
    QCOMPARE(deviceOption(key), QString());

    // Settings, "Parental control": no password yet, so two fields.
    QVERIFY(m_x.click(at(w, w.width() - 5 - 75, 25)));
    auto parentPage = [](const QImage &s, const QRect &d) {
        return headerPage(s, d) && whiteAt(s, d, 300, 114) && whiteAt(s, d, 300, 194) &&
               backgroundAt(s, d, 300, 274);
    };
    QVERIFY2(waitForScreen(headerPage, 20000, QRect(0, 0, 420, 580), true),
             "the settings dialog did not open");
    snap(QStringLiteral("settings"));
    QRect d = otherWindow();
    QVERIFY(clickIn(d, 200, 65 + 2 * 50 + 25));
    QVERIFY2(waitForScreen(parentPage, 20000, QRect(0, 0, 420, 580), true),
             "the parental password page did not show");
    snap(QStringLiteral("parental-new"));
    d = otherWindow();
    QVERIFY(typeInto(d, 200, 114, parentalPassword));
    QVERIFY(typeInto(d, 200, 194, parentalPassword));
    QVERIFY(clickIn(d, 390, 30));
    QVERIFY2(waitFor([&] { return otherWindow().isEmpty(); }, 20000),
             "the settings dialog did not close");
    QCOMPARE(deviceOption(key), parentalPassword);

    // The adult channel asks for it before it plays.
    QImage s = grab();
    // News, Movies, and "Recently watched" since a channel has played.
    const QVector<int> groups = groupCentres(s, w);
    QCOMPARE(groups.size(), 3);
    QVERIFY(m_x.click(at(w, groups.at(1), 25))); // Movies
    QTest::qWait(500);
    QVERIFY(m_x.doubleClick(at(w, 200, listTop + 70 + 35))); // Late Night
    auto unlockPage = [](const QImage &s, const QRect &d) {
        return headerPage(s, d) && whiteAt(s, d, 300, 114) && backgroundAt(s, d, 300, 194);
    };
    QVERIFY2(waitForScreen(unlockPage, 20000, QRect(0, 0, 420, 580), true),
             "the adult channel did not ask for the parental password");
    snap(QStringLiteral("parental-unlock"));
    d = otherWindow();
    QVERIFY(typeInto(d, 200, 114, parentalPassword));
    QVERIFY(clickIn(d, 390, 30));
    QVERIFY2(waitFor([&] { return otherWindow().isEmpty(); }, 20000),
             "the unlock dialog did not close");
    QVERIFY2(waitFor([&] { return rowIsMarked(grab(), w, 1); }, 15000),
             "the adult channel is not playing");
    QString detail;
    QVERIFY2(pictureMoves(playerArea(m_last, w), &detail), qPrintable(detail));
    snap(QStringLiteral("adult-playing"));
}

void tst_journey::programmeGuide() {
    const QRect w = mainWindow();
    QImage s = grab();
    const QRect area = playerArea(s, w);
    QVERIFY(m_x.click(at(w, rightPanelX(s, w) + 40, 25))); // "EPG"
    // The guide covers the player: the area stops moving and shows the
    // guide's lists rather than a dark picture.
    QVERIFY2(waitFor(
                 [&] {
                     const QImage first = grab();
                     QTest::qWait(600);
                     const QImage second = grab();
                     return differingPixels(first, second, area) == 0 &&
                            countPixels(second, area, isWhite) > area.width() * area.height() / 4 &&
                            countPixels(second, area, isDark) > 200;
                 },
                 20000, 100),
             "the programme guide did not show");
    snap(QStringLiteral("guide"));

    // Closing it brings the picture back.
    QVERIFY(m_x.click(at(w, rightPanelX(m_last, w) + 40, 25)));
    QString detail;
    QVERIFY2(pictureMoves(area, &detail), qPrintable(detail));
    snap(QStringLiteral("guide-closed"));
}

void tst_journey::switchToRussian() {
    const QRect w = mainWindow();
    const QRect settingsButton(w.width() - 5 - 151, 5, 151, 40);
    const QImage before = grab();

    QVERIFY(m_x.click(at(w, w.width() - 5 - 75, 25)));
    QVERIFY2(waitForScreen(headerPage, 20000, QRect(0, 0, 420, 580), true),
             "the settings dialog did not open");
    QRect d = otherWindow();
    QVERIFY(clickIn(d, 200, 65 + 50 + 25)); // "Language"
    // The language page: two rows under the header.
    QVERIFY2(
        waitForScreen(
            [](const QImage &s, const QRect &d) {
                // Unlike the menu, it has a back button in its header.
                return headerPage(s, d) &&
                       countPixels(s, QRect(d.left() + 10, d.top() + 10, 40, 40), isWhite) > 20 &&
                       countPixels(s, QRect(d.left() + 10, d.top() + 130, 200, 30), isDark) > 30;
            },
            20000, QRect(0, 0, 420, 580), true),
        "the language page did not show");
    snap(QStringLiteral("language"));
    d = otherWindow();
    QVERIFY(clickIn(d, 200, 70 + 50 + 25)); // "Русский"
    QTest::qWait(300);
    QVERIFY(clickIn(d, 390, 30));
    QVERIFY2(waitFor([&] { return otherWindow().isEmpty(); }, 20000),
             "the settings dialog did not close");
    QVERIFY2(waitFor([&] { return storedInfo(QStringLiteral("lang")) == QLatin1String("lang_ru"); },
                     10000),
             "the language was not stored");
    // The player's top toolbar speaks Russian now.
    QVERIFY2(waitFor(
                 [&] {
                     return differingPixels(before, grab(),
                                            settingsButton.translated(w.topLeft())) > 50;
                 },
                 10000),
             "the toolbar texts did not change");
    snap(QStringLiteral("russian"));
}

void tst_journey::signOut() {
    const QRect w = mainWindow();
    QVERIFY(m_x.click(at(w, w.width() - 5 - 75, 25)));
    QVERIFY2(waitForScreen(headerPage, 20000, QRect(0, 0, 420, 580), true),
             "the settings dialog did not open");
    QRect d = otherWindow();
    QVERIFY(clickIn(d, 200, 65 + 4 * 50 + 25)); // profile
    // The profile page with its red sign-out button.
    QVERIFY2(waitForScreen(
                 [](const QImage &s, const QRect &d) {
                     return headerPage(s, d) &&
                            countPixels(s, QRect(d.left() + 10, d.top() + 330, 400, 40),
                                        [](QRgb p) {
                                            return qRed(p) > 200 && qGreen(p) < 80 && qBlue(p) < 80;
                                        }) > 20;
                 },
                 20000, QRect(0, 0, 420, 580), true),
             "the profile page did not show");
    snap(QStringLiteral("profile"));
    d = otherWindow();
    QVERIFY(clickIn(d, 200, 350));

    // The question: answered Yes from the keyboard (Return takes the Yes
    // button, whose place on the box depends on the platform's layout).
    QString box;
    QRect question;
    QVERIFY2(waitFor(
                 [&] {
                     for (const XSession::Window &window : m_x.windowsOf(m_program->processId())) {
                         if (window.name != QLatin1String("Vantero") &&
                             window.rect.size() != flowSize) {
                             box = window.id;
                             question = window.rect;
                             return true;
                         }
                     }
                     return false;
                 },
                 20000),
             "no sign-out question");
    QTest::qWait(300);
    grab();
    snap(QStringLiteral("sign-out-question"));
    QVERIFY(m_x.xdotool({QStringLiteral("mousemove"), QString::number(question.center().x()),
                         QString::number(question.center().y())}));
    m_x.xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), box});
    QVERIFY(m_x.key(QStringLiteral("Return")));

    QVERIFY2(waitFor([&] { return storedInfo(QStringLiteral("user_name")).toString().isEmpty(); },
                     20000),
             "the sign-out was not stored");
    QVERIFY2(waitForScreen(
                 [](const QImage &s, const QRect &w) {
                     return idleFlowPage(s, w) && backgroundAt(s, w, 15, 40) &&
                            !backgroundAt(s, w, 30, 276);
                 },
                 20000, QRect(0, 0, 420, 580)),
             "sign-out did not return to the sign-in page");
    QVERIFY(otherWindow().isEmpty());
    snap(QStringLiteral("signed-out"));
}

void tst_journey::restartLandsOnSignInWithDeviceKept() {
    stopProgram();
    QCOMPARE(storedInfo(QStringLiteral("user_name")).toString(), QString());
    QCOMPARE(storedInfo(QStringLiteral("playlist_id")).toInt(), 0);
    QCOMPARE(storedInfo(QStringLiteral("device_name")).toString(), deviceName);
    QVERIFY(!storedInfo(QStringLiteral("device_key")).toString().isEmpty());
    QCOMPARE(storedInfo(QStringLiteral("lang")).toString(), QStringLiteral("lang_ru"));

    QVERIFY(startProgram());
    QVERIFY2(waitForScreen(
                 [](const QImage &s, const QRect &w) {
                     return idleFlowPage(s, w) && backgroundAt(s, w, 15, 40) &&
                            !backgroundAt(s, w, 30, 276);
                 },
                 60000, QRect(0, 0, 420, 580)),
             "the restarted program did not show the sign-in page");
    snap(QStringLiteral("restarted"));
    // Still the stored device, and no one signed in.
    QCOMPARE(storedInfo(QStringLiteral("device_name")).toString(), deviceName);
    QCOMPARE(storedInfo(QStringLiteral("user_name")).toString(), QString());
}

void tst_journey::playlistDeletedWhileClosedLeadsToPlaylistPage() {
    // Signed in again with the playlist chosen, as a run before left it;
    // then the playlist is deleted on another device while the program is
    // closed.
    stopProgram();
    const int playlist = playlistId();
    QVERIFY(playlist > 0);
    const QString token = serviceToken();
    QVERIFY(!token.isEmpty());
    QString error;
    m_service->call(QStringLiteral("delete_playlist"), QJsonArray{playlist, token}, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    m_service->call(QStringLiteral("logout"), QJsonArray{token});
    {
        QSettings settings(m_dir.filePath(QStringLiteral("home/config/vantero/vantero.conf")),
                           QSettings::IniFormat);
        settings.setValue(QStringLiteral("info/user_name"), fullPhone);
        settings.setValue(QStringLiteral("info/user_password"), accountPassword);
        settings.setValue(QStringLiteral("info/playlist_id"), playlist);
        settings.setValue(QStringLiteral("info/playlist_name"), playlistTitle);
    }

    // The start does not end in a dead channel browser: the flow-sized
    // window shows the playlist page under the alert panel, which covers
    // the top of the page in the header's blue, the rest dimmed.
    QVERIFY(startProgram());
    QVERIFY2(waitForScreen(
                 [](const QImage &s, const QRect &w) {
                     return w.size() == flowSize &&
                            near(s.pixel(w.topLeft() + QPoint(400, 150)), headerBlue) &&
                            !backgroundAt(s, w, 5, 575);
                 },
                 60000, QRect(0, 0, 420, 580)),
             "the start did not reach the playlist page with an alert");
    snap(QStringLiteral("playlist-gone"));
    QVERIFY2(waitFor([&] { return storedInfo(QStringLiteral("playlist_id")).toInt() == 0; }, 20000),
             "the deleted playlist is still the stored choice");

    // A click takes the alert away; the playlist page is underneath.
    const QRect window = mainWindow();
    QVERIFY(clickIn(window, 210, 400));
    QVERIFY2(waitForScreen([](const QImage &s, const QRect &w) { return headerPage(s, w); }, 20000,
                           QRect(0, 0, 420, 580)),
             "the alert did not go");
    snap(QStringLiteral("playlist-page"));
}

QTEST_GUILESS_MAIN(tst_journey)
#include "tst_journey.moc"

#include "app/MainWindow.h"

#include "ui_MainWindow.h"

#include "account/CountryWidget.h"
#include "account/LoginWidget.h"
#include "account/RegistryWidget.h"
#include "account/VerificationCodeWidget.h"
#include "account/registrydevicewidget.h"
#include "app/AppFont.h"
#include "app/AppState.h"
#include "app/DataPaths.h"
#include "app/SlidingStackedWidget.h"
#include "app/Startup.h"
#include "channels/HomeWidget.h"
#include "playlists/DirectLinkWidget.h"
#include "playlists/Playlistwidget.h"
#include "widgets/AlertFrame.h"

#include <QApplication>
#include <QLocale>
#include <QResizeEvent>
#include <QScreen>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow) {
    AppState &state = appState();
    state.mainWindow = this;

    // A second translator of the window's own; installed after the
    // application's, it takes precedence.
    const QString language = state.language.isEmpty()
                                 ? Startup::languageForLocale(QLocale::system().name())
                                 : state.language;
    if (!m_translator.load(language, QStringLiteral(".")))
        m_translator.load(language, DataPaths::dataDirectory());
    QCoreApplication::installTranslator(&m_translator);

    ui->setupUi(this);
    m_fontFamily = applicationFontFamily();

    m_login = new LoginWidget(this);
    m_device = new registrydevicewidget(this);
    m_playlist = new Playlistwidget(this);
    m_home = new HomeWidget(this);
    m_directLink = new DirectLinkWidget(this);
    m_signUp = new RegistryWidget(this);
    m_country = new CountryWidget(this);
    m_code = new VerificationCodeWidget(this);
    m_login->setMainWindow(this);
    m_device->setMainWindow(this);
    m_playlist->setMainWindow(this);
    m_directLink->setMainWindow(this);
    m_signUp->setMainWindow(this);
    m_country->setMainWindow(this);
    m_code->setMainWindow(this);

    m_stack = new SlidingStackedWidget(this);
    m_stack->setGeometry(0, 0, width(), height());
    m_stack->addWidget(m_login);
    m_stack->addWidget(m_signUp);
    m_stack->addWidget(m_country);
    m_stack->addWidget(m_code);
    m_stack->addWidget(m_device);
    m_stack->addWidget(m_playlist);
    m_stack->addWidget(m_directLink);
    m_stack->addWidget(m_home);
    m_stack->setSpeed(750);
    m_stack->setAnimation(QEasingCurve::OutExpo);

    state.alertFrame = new AlertFrame(this);

    if (state.userName.isEmpty()) {
        slideTo(SignInPage);
    } else if (state.deviceKey.isEmpty()) {
        slideTo(DevicePage);
        m_device->loadDevices();
    } else if (state.playlistId == 0) {
        m_device->loadDevices();
        slideTo(PlaylistPage);
        m_playlist->loadPlaylists();
    } else {
        // Straight into the channel browser: no slide animates from here on.
        m_stack->setSpeed(0);
        enterMainMode();
    }
}

MainWindow::~MainWindow() {
    QCoreApplication::removeTranslator(&m_translator);
    delete m_login;
    delete m_device;
    delete m_playlist;
    delete m_home;
    delete m_directLink;
    delete m_signUp;
    delete m_country;
    delete m_code;
}

void MainWindow::slideTo(Page page) {
    m_stack->slideInIdx(page);
}

void MainWindow::afterSignIn() {
    m_device->loadDevices();
}

void MainWindow::loadPlaylistPage() {
    m_playlist->loadPlaylists();
}

void MainWindow::enterMainMode() {
    m_homePending = true;
    setWindowFlags(windowFlags() | Qt::Window | Qt::CustomizeWindowHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    // Without a window manager nothing maximises the window; give it the
    // screen's area up front so the channel browser still gets room. The
    // place matters as much as the size: after a return to the sign-in page
    // the window sits centred, and a screen-sized window left there would
    // hang off the screen with the player's controls out of reach.
    if (QScreen *screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
    showMaximized();
}

void MainWindow::resizeEvent(QResizeEvent *event) {
    QMainWindow::resizeEvent(event);
    const QSize size = event->size();
    m_stack->setGeometry(0, 0, size.width(), size.height());
    if (m_homePending && size.width() >= 420) {
        m_home->setGeometry(0, 0, size.width(), size.height());
        m_stack->setAnimation(QEasingCurve::OutExpo);
        m_stack->setVerticalMode(false);
        slideTo(HomePage);
        m_home->start();
        m_homePending = false;
    }
}

void MainWindow::showDirectLink(bool linkMode, const QString &filePath) {
    m_directLink->setMode(linkMode, filePath);
    m_stack->setVerticalMode(true);
    m_stack->setAnimation(QEasingCurve::OutQuart);
    slideTo(AddPlaylistPage);
}

void MainWindow::showSignUp() {
    m_signUp->start();
    m_stack->setVerticalMode(true);
    m_stack->setAnimation(QEasingCurve::OutQuart);
    slideTo(SignUpPage);
}

void MainWindow::showCountryPicker() {
    m_country->fill();
    m_stack->setVerticalMode(false);
    m_stack->setAnimation(QEasingCurve::OutQuart);
    slideTo(CountryPage);
}

void MainWindow::setSignUpCountry(const QString &name, const QString &dialCode) {
    m_signUp->setCountry(name, dialCode);
}

void MainWindow::showCodeVerification(const QString &phone, const QString &password) {
    m_code->setData(phone, password);
    m_stack->setVerticalMode(false);
    m_stack->setAnimation(QEasingCurve::OutExpo);
    slideTo(CodePage);
}

void MainWindow::returnToSignIn() {
    leaveMainMode(SignInPage);
}

void MainWindow::leaveMainMode(Page page) {
    if (isMaximized() || isFullScreen())
        showNormal();
    setMinimumSize(420, 580);
    setMaximumSize(420, 580);
    resize(420, 580);
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.width() / 2 - width() / 2, area.height() / 2 - height() / 2);
    }
    if (page == SignInPage)
        m_returnToSignIn = true;
    // A load of the channel browser that has not reached its page yet
    // must not pull the window back into main mode.
    m_homePending = false;
    m_home->stop();
    m_stack->setVerticalMode(false);
    m_stack->setAnimation(QEasingCurve::OutExpo);
    slideTo(page);
    if (page == DevicePage)
        m_device->loadDevices();
    else if (page == PlaylistPage)
        m_playlist->loadPlaylists();
}

void MainWindow::fitFullScreen() {
    if (isFullScreen()) {
        m_home->setGeometry(rect());
        m_stack->setGeometry(rect());
    }
    m_home->toggleFullScreen();
}

void MainWindow::reloadChannels() {
    m_home->reload();
    m_home->updatePlaylistName();
}

void MainWindow::clearSignInPassword() {
    m_login->clearPassword();
}

QWidget *MainWindow::page(Page page) const {
    return m_stack->widget(page);
}

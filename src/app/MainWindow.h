#pragma once

#include <QMainWindow>
#include <QScopedPointer>
#include <QTranslator>

namespace Ui {
class MainWindow;
}
class SlidingStackedWidget;
class LoginWidget;
class RegistryWidget;
class CountryWidget;
class VerificationCodeWidget;
class registrydevicewidget;
class Playlistwidget;
class DirectLinkWidget;
class HomeWidget;

// The program's one top-level window. It owns the pages of the sign-in and
// playlist flow and the channel browser in one sliding stack, and offers
// the pages the transitions between them: pages never call each other.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // Indices of the pages in the stack, fixed by the order of insertion.
    enum Page {
        SignInPage = 0,
        SignUpPage = 1,
        CountryPage = 2,
        CodePage = 3,
        DevicePage = 4,
        PlaylistPage = 5,
        AddPlaylistPage = 6,
        HomePage = 7,
    };

    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Transitions the pages ask for.
    void afterSignIn();
    void loadPlaylistPage();
    void enterMainMode();
    void showDirectLink(bool linkMode, const QString &filePath);
    void showSignUp();
    void showCountryPicker();
    void setSignUpCountry(const QString &name, const QString &dialCode);
    void showCodeVerification(const QString &phone, const QString &password);
    void returnToSignIn();
    // Back from the channel browser to a page of the sign-in flow, in the
    // window's small size; the device and playlist pages load again.
    void leaveMainMode(Page page);
    void fitFullScreen();

    SlidingStackedWidget *stack() const { return m_stack; }
    QTranslator *translator() { return &m_translator; }
    QString fontFamily() const { return m_fontFamily; }
    bool returnToSignInRequested() const { return m_returnToSignIn; }

    LoginWidget *loginPage() const { return m_login; }
    RegistryWidget *signUpPage() const { return m_signUp; }
    CountryWidget *countryPage() const { return m_country; }
    VerificationCodeWidget *codePage() const { return m_code; }
    registrydevicewidget *devicePage() const { return m_device; }
    Playlistwidget *playlistPage() const { return m_playlist; }
    DirectLinkWidget *addPlaylistPage() const { return m_directLink; }
    HomeWidget *homeWidget() const { return m_home; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void slideTo(Page page);

    QTranslator m_translator;
    const QScopedPointer<Ui::MainWindow> ui;
    QString m_fontFamily;
    bool m_returnToSignIn = false;
    bool m_homePending = false;

    LoginWidget *m_login = nullptr;
    registrydevicewidget *m_device = nullptr;
    Playlistwidget *m_playlist = nullptr;
    HomeWidget *m_home = nullptr;
    DirectLinkWidget *m_directLink = nullptr;
    RegistryWidget *m_signUp = nullptr;
    CountryWidget *m_country = nullptr;
    VerificationCodeWidget *m_code = nullptr;
    SlidingStackedWidget *m_stack = nullptr;
};

#pragma once

#include <QMainWindow>
#include <QScopedPointer>
#include <QTranslator>

#include "app/PageFlow.h"

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
// the pages the transitions between them (PageFlow): pages never call
// each other.
class MainWindow : public QMainWindow, public PageFlow {
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Transitions the pages ask for.
    void afterSignIn() override;
    void loadPlaylistPage() override;
    void enterMainMode() override;
    void showDirectLink(bool linkMode, const QString &filePath) override;
    void showSignUp() override;
    void showCountryPicker() override;
    void setSignUpCountry(const QString &name, const QString &dialCode) override;
    void showCodeVerification(const QString &phone, const QString &password) override;
    void returnToSignIn() override;
    void leaveMainMode(Page page) override;
    void fitFullScreen() override;
    void reloadChannels() override;
    void clearSignInPassword() override;

    SlidingStackedWidget *stack() const override { return m_stack; }
    QWidget *page(Page page) const override;
    QTranslator *translator() override { return &m_translator; }
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

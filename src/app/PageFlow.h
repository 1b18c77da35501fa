#pragma once

class QString;
class QTranslator;
class QWidget;
class SlidingStackedWidget;

// The transitions between the pages of the one sliding stack. The main
// window implements it; pages reach each other only through it, so a page
// knows neither the window nor another page's header.
class PageFlow {
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

    virtual ~PageFlow() = default;

    virtual void afterSignIn() = 0;
    virtual void loadPlaylistPage() = 0;
    virtual void enterMainMode() = 0;
    virtual void showDirectLink(bool linkMode, const QString &filePath) = 0;
    virtual void showSignUp() = 0;
    virtual void showCountryPicker() = 0;
    virtual void setSignUpCountry(const QString &name, const QString &dialCode) = 0;
    virtual void showCodeVerification(const QString &phone, const QString &password) = 0;
    virtual void returnToSignIn() = 0;
    // Back from the channel browser to a page of the sign-in flow, in the
    // window's small size; the device and playlist pages load again.
    virtual void leaveMainMode(Page page) = 0;
    virtual void fitFullScreen() = 0;
    // Another playlist was picked while the channel browser is open (from
    // the settings dialog): the browser loads it and shows its name.
    virtual void reloadChannels() = 0;
    // Sign-out: the next user of this computer must not find the password
    // typed in for them.
    virtual void clearSignInPassword() = 0;

    virtual SlidingStackedWidget *stack() const = 0;
    virtual QWidget *page(Page page) const = 0;
    virtual QTranslator *translator() = 0;
};

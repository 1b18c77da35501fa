// The sign-up by phone, the country picker and the SMS code page inside the
// main window, against the local development service (geolocation, sign-up,
// SMS outbox, verification) and, where the exact request on the wire or an
// answer the service never gives matters, against a stand-in over TLS.

#include "DevServiceProcess.h"
#include "FakeService.h"
#include "PageTestKit.h"
#include "SelfSignedCertificate.h"
#include "TestSupport.h"

#include "account/CountryWidget.h"
#include "account/RegistryWidget.h"
#include "account/VerificationCodeWidget.h"
#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/SlidingStackedWidget.h"
#include "service/JsonRpc.h"
#include "service/ServiceConfig.h"
#include "widgets/AlertFrame.h"

#include <QClipboard>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using namespace PageTestKit;

namespace {

const QString invalidCountry = QStringLiteral("Invalid Country Code");

} // namespace

class TestSignUpPages : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void geolocationNamesTheCountry_data();
    void geolocationNamesTheCountry();
    void reopeningWithTheSameCodeStillNamesTheCountry();
    void submitChecksComeInOrder_data();
    void submitChecksComeInOrder();
    void pickerListsTheTableInOrder();
    void pickingACountry_data();
    void pickingACountry();
    void pastedCodeAndNumberSplit();
    void emptyPhoneFieldHandsFocusBack();
    void serviceErrorsMapToAlerts_data();
    void serviceErrorsMapToAlerts();
    void sendsThePhoneWithoutPlus();
    void signUpErrorThroughTheTransport();
    void smsRoundTripCreatesTheAccount();
    void wrongCodeIsRejected();
    void codeAnswers_data();
    void codeAnswers();
    void lettersAreSentAsZero();
    void emptyCodeIsNotSent();
    void backButtons();

private:
    RegistryWidget *signUp() const { return m_window->signUpPage(); }
    VerificationCodeWidget *codePage() const { return m_window->codePage(); }
    QLineEdit *field(const char *name) const { return child<QLineEdit>(signUp(), name); }
    QString country() const { return child<QPushButton>(signUp(), "button_country")->text(); }
    QString focused() const {
        QWidget *widget = m_window->focusWidget();
        return widget ? widget->objectName() : QString();
    }
    int page() const { return m_window->stack()->currentIndex(); }

    // Opens the sign-up page the way the sign-in page does and waits for the
    // geolocation answer.
    bool openSignUp();
    void fillSignUp(const QString &phone, const QString &name, const QString &password,
                    const QString &confirm);
    void submitSignUp() {
        QTest::mouseClick(child<QPushButton>(signUp(), "pushButton_2"), Qt::LeftButton);
    }
    void submitCode(const QString &code);
    void clearFocus() {
        if (QWidget *widget = m_window->focusWidget())
            widget->clearFocus();
    }
    // Registers the number through the page and waits for the code page.
    bool signUpThroughThePage(const QString &number, const QString &password);

    // Points the client at the stand-in, with no answers set and no
    // requests kept, and geolocation placing the computer in a country.
    void useStub(const QString &countryCode = QStringLiteral("RU"));

    QScopedPointer<ScopedSettings> m_settings;
    QScopedPointer<DevServiceProcess> m_service;
    SelfSignedCertificate m_certificate;
    QScopedPointer<FakeService> m_stub;
    QScopedPointer<MainWindow> m_window;
};

void TestSignUpPages::initTestCase() {
    // The interface check of the transport is not what is tested here.
    JsonRpc::setOnlineCheck([] { return true; });
    m_settings.reset(new ScopedSettings);
    m_service.reset(new DevServiceProcess);
    QVERIFY2(m_service->start(), qPrintable(m_service->errorString()));
    QVERIFY2(m_certificate.isValid(), qPrintable(m_certificate.errorText()));
    m_stub.reset(new FakeService(m_certificate.certificateFile(), m_certificate.keyFile()));
    QVERIFY(m_stub->start());
}

void TestSignUpPages::cleanupTestCase() {
    m_stub.reset();
    m_service.reset();
    m_settings.reset();
    JsonRpc::setOnlineCheck(nullptr);
}

void TestSignUpPages::init() {
    m_service->applyClientSettings();
    appState().reset();
    appState().language = QStringLiteral("lang_en");
    m_window.reset(new MainWindow);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.data()));
    m_window->stack()->setSpeed(0);
}

void TestSignUpPages::cleanup() {
    m_window.reset();
    appState().reset();
}

void TestSignUpPages::useStub(const QString &countryCode) {
    m_stub->clear();
    m_stub->setFile(QStringLiteral("/json"),
                    QJsonDocument(QJsonObject{{"countryCode", countryCode}}).toJson(),
                    "application/json");
    setServiceConfig(m_stub->config(m_certificate.certificateFile()));
}

bool TestSignUpPages::openSignUp() {
    m_window->showSignUp();
    return QTest::qWaitFor([this] { return page() == MainWindow::SignUpPage; }) &&
           QTest::qWaitFor([] { return !appState().alertFrame->isBusy(); });
}

void TestSignUpPages::fillSignUp(const QString &phone, const QString &name, const QString &password,
                                 const QString &confirm) {
    field("edit_phone")->setText(phone);
    field("edit_name")->setText(name);
    field("edit_password")->setText(password);
    field("edit_confirm_password")->setText(confirm);
}

void TestSignUpPages::submitCode(const QString &code) {
    child<QLineEdit>(codePage(), "edit_code")->setText(code);
    QTest::mouseClick(child<QPushButton>(codePage(), "pushButton_2"), Qt::LeftButton);
}

bool TestSignUpPages::signUpThroughThePage(const QString &number, const QString &password) {
    if (!openSignUp() || field("edit_code")->text() != QLatin1String("+7"))
        return false;
    fillSignUp(number, QStringLiteral("Tester"), password, password);
    submitSignUp();
    return QTest::qWaitFor([this] { return page() == MainWindow::CodePage; });
}

void TestSignUpPages::geolocationNamesTheCountry_data() {
    QTest::addColumn<QString>("countryCode");
    QTest::addColumn<QString>("dialCode");
    QTest::addColumn<QString>("name");
    addRow("RU", "RU", "+7", "Russia");
    // The name comes from the dialling code, and "+1" is Canada's first.
    addRow("US", "US", "+1", "Canada");
    addRow("unknown", "ZZ", "+", invalidCountry);
    addRow("lower case", "ru", "+", invalidCountry);
}

void TestSignUpPages::geolocationNamesTheCountry() {
    QFETCH(QString, countryCode);
    QFETCH(QString, dialCode);
    QFETCH(QString, name);
    QScopedPointer<DevServiceProcess> elsewhere;
    if (countryCode == QLatin1String("US")) {
        elsewhere.reset(new DevServiceProcess({QStringLiteral("--country"), countryCode}));
        QVERIFY2(elsewhere->start(), qPrintable(elsewhere->errorString()));
        ServiceConfig config = serviceConfig();
        config.apiUrl = m_service->apiUrl();
        setServiceConfig(config);
    } else if (countryCode != QLatin1String("RU")) {
        useStub(countryCode);
    }
    QVERIFY(openSignUp());
    QCOMPARE(field("edit_code")->text(), dialCode);
    QCOMPARE(country(), name);
}

// Back on the sign-up page after a finished sign-up, the code field still
// holds the guessed code; the same guess must not leave "invalid" behind.
void TestSignUpPages::reopeningWithTheSameCodeStillNamesTheCountry() {
    QVERIFY(openSignUp());
    QCOMPARE(country(), QStringLiteral("Russia"));
    m_window->stack()->slideInIdx(MainWindow::SignInPage);
    QTRY_COMPARE(page(), int(MainWindow::SignInPage));
    QVERIFY(openSignUp());
    QCOMPARE(field("edit_code")->text(), QStringLiteral("+7"));
    QCOMPARE(country(), QStringLiteral("Russia"));
}

void TestSignUpPages::submitChecksComeInOrder_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("phone");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("confirm");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    const QString required = QStringLiteral("A value is required");
    // Each row also fails every later check: the first failing one speaks.
    addRow("plus alone", "+", "", "", "", "x", required, "edit_code");
    addRow("no country for the code", "+999", "", "", "", "x",
           "Invalid country code. Please try again.", "");
    addRow("phone empty", "+7", "", "", "", "x", required, "edit_phone");
    addRow("name empty", "+7", "9161234567", "", "", "x", required, "edit_name");
    addRow("password empty", "+7", "9161234567", "Ann", "", "x", required, "edit_password");
    addRow("confirmation empty", "+7", "9161234567", "Ann", "x", "", required,
           "edit_confirm_password");
    addRow("passwords differ", "+7", "9161234567", "Ann", "secret", "Secret",
           "Your password do not match", "edit_confirm_password");
}

void TestSignUpPages::submitChecksComeInOrder() {
    QFETCH(QString, code);
    QFETCH(QString, phone);
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(QString, confirm);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    QVERIFY(openSignUp());
    field("edit_code")->setText(code);
    fillSignUp(phone, name, password, confirm);
    clearFocus();
    submitSignUp();
    QTRY_COMPARE(alertMessage(), message);
    QCOMPARE(alertTitle(), QStringLiteral("Error"));
    QCOMPARE(focused(), focus);
    QCOMPARE(page(), int(MainWindow::SignUpPage));
}

void TestSignUpPages::pickerListsTheTableInOrder() {
    QVERIFY(openSignUp());
    QTest::mouseClick(child<QPushButton>(signUp(), "button_country"), Qt::LeftButton);
    QTRY_COMPARE(page(), int(MainWindow::CountryPage));
    auto *list = child<QListWidget>(m_window->countryPage(), "listWidget");
    QCOMPARE(list->count(), 241);
    QCOMPARE(list->item(0)->text(), QStringLiteral("Afghanistan"));
    QCOMPARE(list->item(196)->text(), QString::fromUtf8("\xc3\x85land Islands"));
    QCOMPARE(list->item(197)->text(), QStringLiteral("Antarctica"));
    QCOMPARE(list->item(240)->text(), QStringLiteral("Virgin Islands, U.S."));
    QCOMPARE(list->visualItemRect(list->item(0)).height(), 50);
    // Filling again does not add rows.
    m_window->showCountryPicker();
    QCOMPARE(list->count(), 241);
}

void TestSignUpPages::pickingACountry_data() {
    QTest::addColumn<QString>("typedPhone");
    QTest::addColumn<QString>("pick");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("phone");
    QTest::addColumn<QString>("name");
    addRow("shared +1 names Canada", "5551234", "United States", "+1", "5551234", "Canada");
    addRow("one of a kind", "", "Germany", "+49", "", "Germany");
    // "+1 869" is one character too long for the code field.
    addRow("six characters spill over", "", "Saint Kitts and Nevis", "+1 86", "9",
           "Saint Kitts and Nevis");
    // A code that just fills the field keeps the number typed before.
    addRow("five characters keep the number", "5551234", "AmericanSamoa", "+1684", "5551234",
           "AmericanSamoa");
}

void TestSignUpPages::pickingACountry() {
    QFETCH(QString, typedPhone);
    QFETCH(QString, pick);
    QFETCH(QString, code);
    QFETCH(QString, phone);
    QFETCH(QString, name);
    QVERIFY(openSignUp());
    field("edit_phone")->setText(typedPhone);
    QTest::mouseClick(child<QPushButton>(signUp(), "button_country"), Qt::LeftButton);
    QTRY_COMPARE(page(), int(MainWindow::CountryPage));

    auto *list = child<QListWidget>(m_window->countryPage(), "listWidget");
    const QList<QListWidgetItem *> items = list->findItems(pick, Qt::MatchExactly);
    QCOMPARE(items.size(), 1);
    list->scrollToItem(items.first());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualItemRect(items.first()).center());
    QTRY_COMPARE(page(), int(MainWindow::SignUpPage));
    QCOMPARE(field("edit_code")->text(), code);
    QCOMPARE(field("edit_phone")->text(), phone);
    QCOMPARE(country(), name);
}

void TestSignUpPages::pastedCodeAndNumberSplit() {
    QVERIFY(openSignUp());
    QLineEdit *code = field("edit_code");
    QGuiApplication::clipboard()->setText(QStringLiteral("+79161234567"));
    code->selectAll();
    code->paste();
    QCOMPARE(code->text(), QStringLiteral("+7916"));
    QCOMPARE(field("edit_phone")->text(), QStringLiteral("1234567"));
    QCOMPARE(focused(), QStringLiteral("edit_phone"));
    // The name was looked up with the pasted text as a whole.
    QCOMPARE(country(), invalidCountry);
    field("edit_name")->setText(QStringLiteral("Ann"));
    field("edit_password")->setText(QStringLiteral("secret"));
    field("edit_confirm_password")->setText(QStringLiteral("secret"));
    submitSignUp();
    QTRY_COMPARE(alertMessage(), QStringLiteral("Invalid country code. Please try again."));
}

void TestSignUpPages::emptyPhoneFieldHandsFocusBack() {
    QVERIFY(openSignUp());
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.data()));
    QLineEdit *phone = field("edit_phone");

    phone->setFocus();
    QTest::keyClick(phone, Qt::Key_Backspace);
    QCOMPARE(focused(), QStringLiteral("edit_code"));
    QCOMPARE(field("edit_code")->text(), QStringLiteral("+7"));

    phone->setFocus();
    QTest::keyClicks(phone, QStringLiteral("12"));
    QTest::keyClick(phone, Qt::Key_Backspace);
    QCOMPARE(focused(), QStringLiteral("edit_phone"));
    QTest::keyClick(phone, Qt::Key_Backspace); // its last character
    QCOMPARE(phone->text(), QString());
    QCOMPARE(focused(), QStringLiteral("edit_code"));

    // Other keys in the empty field are the field's own.
    phone->setFocus();
    QTest::keyClick(phone, Qt::Key_5);
    QCOMPARE(phone->text(), QStringLiteral("5"));
}

void TestSignUpPages::serviceErrorsMapToAlerts_data() {
    QTest::addColumn<QString>("phone");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    addRow("Telephone format invalid", "12345", "Tester", "Invalid phone number. Please try again.",
           "edit_phone");
    addRow("Username length is small", "9160000001", "Al", "Name must be at least 3 characters",
           "edit_name");
    addRow("Already exist telephone", QString::fromLatin1(DevServiceProcess::demoPhone).mid(1),
           "Tester", "+79001234567 Number already registered on Vantero", "edit_phone");
    // The service knows more refusals than the page: "Username length is big".
    addRow("any other text", "9160000002", QString(65, QLatin1Char('n')),
           "Unknown error please try again.", "");
}

void TestSignUpPages::serviceErrorsMapToAlerts() {
    QFETCH(QString, phone);
    QFETCH(QString, name);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    QVERIFY(openSignUp());
    fillSignUp(phone, name, QStringLiteral("secret"), QStringLiteral("secret"));
    clearFocus();
    submitSignUp();
    QTRY_COMPARE(alertMessage(), message);
    QCOMPARE(alertTitle(), QStringLiteral("Error"));
    QCOMPARE(focused(), focus);
    QCOMPARE(page(), int(MainWindow::SignUpPage));
}

void TestSignUpPages::sendsThePhoneWithoutPlus() {
    useStub();
    m_stub->setBody("register_by_sms", R"({"result": {"Error": "", "Result": "OK"}})");
    QVERIFY(openSignUp());
    fillSignUp(QStringLiteral("9161234567"), QStringLiteral("Ann"), QStringLiteral("secret"),
               QStringLiteral("secret"));
    submitSignUp();
    QTRY_COMPARE(page(), int(MainWindow::CodePage));
    const QList<QJsonArray> sent = m_stub->params("register_by_sms");
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent.first(), (QJsonArray{"Ann", "79161234567", "secret"}));
    // The code page shows the number as the user knows it.
    QCOMPARE(child<QLabel>(codePage(), "label_title")->text(), QStringLiteral("+79161234567"));
}

void TestSignUpPages::signUpErrorThroughTheTransport() {
    useStub();
    m_stub->setBody("register_by_sms", R"({"error": "Already exist telephone"})");
    QVERIFY(openSignUp());
    fillSignUp(QStringLiteral("9161234567"), QStringLiteral("Ann"), QStringLiteral("secret"),
               QStringLiteral("secret"));
    submitSignUp();
    QTRY_COMPARE(alertMessage(), QStringLiteral("Unknown error please try again."));
    QCOMPARE(page(), int(MainWindow::SignUpPage));
}

void TestSignUpPages::smsRoundTripCreatesTheAccount() {
    const QString number = QStringLiteral("9165550101");
    const QString digits = QStringLiteral("7") + number;
    const QString password = QStringLiteral("pass-1234");
    QVERIFY(signUpThroughThePage(number, password));
    QCOMPARE(child<QLabel>(codePage(), "label_title")->text(), QStringLiteral("+") + digits);

    QTRY_VERIFY(m_service->lastSmsCode(digits) > 0);
    submitCode(QString::number(m_service->lastSmsCode(digits)));
    QTRY_COMPARE(page(), int(MainWindow::SignInPage));
    QCOMPARE(m_window->size(), QSize(420, 580));
    QCOMPARE(m_window->minimumSize(), QSize(420, 580));
    QCOMPARE(m_window->maximumSize(), QSize(420, 580));
    // Nothing is signed in or stored on the way.
    QVERIFY(appState().userName.isEmpty());

    JsonRpc rpc;
    QSignalSpy done(&rpc, &JsonRpc::done);
    QSignalSpy failed(&rpc, &JsonRpc::error);
    rpc.login(digits, password, QString());
    QTRY_COMPARE(done.size() + failed.size(), 1);
    QCOMPARE(failed.size(), 0);
    QVERIFY(!done.first().first().toJsonValue().toString().isEmpty());
}

void TestSignUpPages::wrongCodeIsRejected() {
    const QString digits = QStringLiteral("79165550102");
    QVERIFY(signUpThroughThePage(digits.mid(1), QStringLiteral("secret")));
    QTRY_VERIFY(m_service->lastSmsCode(digits) > 0);
    const int wrong = m_service->lastSmsCode(digits) == 999999 ? 100000 : 999999;
    clearFocus();
    submitCode(QString::number(wrong));
    QTRY_COMPARE(alertMessage(),
                 QStringLiteral("You have entered an invalid code. Please try again."));
    QCOMPARE(focused(), QStringLiteral("edit_code"));
    QCOMPARE(page(), int(MainWindow::CodePage));
    QVERIFY(!appState().alertFrame->isBusy());

    // The right code still works after a wrong one, with the number sent
    // the same way the second time.
    submitCode(QString::number(m_service->lastSmsCode(digits)));
    QTRY_COMPARE(page(), int(MainWindow::SignInPage));
}

void TestSignUpPages::codeAnswers_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    const QString invalid = QStringLiteral("You have entered an invalid code. Please try again.");
    const QString unknown = QStringLiteral("Unknown error please try again.");
    addRow("OK", QByteArray(R"({"result": {"Error": "", "Result": "OK"}})"),
           int(MainWindow::SignInPage), "", "");
    addRow("wrong code in the result",
           QByteArray(R"({"result": {"Error": "Invalid check code", "Result": ""}})"),
           int(MainWindow::CodePage), invalid, "edit_code");
    addRow("wrong code as a service error", QByteArray(R"({"error": "Invalid check code"})"),
           int(MainWindow::CodePage), invalid, "edit_code");
    addRow("other text in the result",
           QByteArray(R"({"result": {"Error": "Code expired", "Result": ""}})"),
           int(MainWindow::CodePage), unknown, "");
    addRow("other service error", QByteArray(R"({"error": "Server busy"})"),
           int(MainWindow::CodePage), unknown, "");
    addRow("neither error nor OK", QByteArray(R"({"result": {"Error": "", "Result": "LATER"}})"),
           int(MainWindow::CodePage), "", "");
}

void TestSignUpPages::codeAnswers() {
    QFETCH(QByteArray, reply);
    QFETCH(int, page);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    useStub();
    m_stub->setBody("verify_code", reply);
    m_window->showCodeVerification(QStringLiteral("+79161234567"), QStringLiteral("secret"));
    QTRY_COMPARE(this->page(), int(MainWindow::CodePage));
    clearFocus();
    submitCode(QStringLiteral("123456"));
    QTRY_COMPARE(m_stub->params("verify_code").size(), 1);
    QTRY_VERIFY(!appState().alertFrame->isBusy());
    QTest::qWait(100); // nothing more is coming
    QCOMPARE(this->page(), page);
    QCOMPARE(alertMessage(), message.isEmpty() ? QStringLiteral("TextLabel") : message);
    if (!message.isEmpty())
        QCOMPARE(focused(), focus);
}

void TestSignUpPages::lettersAreSentAsZero() {
    useStub();
    m_stub->setBody("verify_code", R"({"result": {"Error": "Invalid check code", "Result": ""}})");
    m_window->showCodeVerification(QStringLiteral("+79161234567"), QStringLiteral("secret"));
    QCOMPARE(child<QLabel>(codePage(), "label_title")->text(), QStringLiteral("+79161234567"));
    submitCode(QStringLiteral("abc"));
    QTRY_COMPARE(m_stub->params("verify_code").size(), 1);
    submitCode(QStringLiteral("0042"));
    QTRY_COMPARE(m_stub->params("verify_code").size(), 2);
    const QList<QJsonArray> sent = m_stub->params("verify_code");
    QCOMPARE(sent.at(0), (QJsonArray{"79161234567", 0}));
    // The second submission sends the same number, the "+" already gone.
    QCOMPARE(sent.at(1), (QJsonArray{"79161234567", 42}));
}

void TestSignUpPages::emptyCodeIsNotSent() {
    useStub();
    m_window->showCodeVerification(QStringLiteral("+79161234567"), QStringLiteral("secret"));
    clearFocus();
    submitCode(QString());
    QTRY_COMPARE(alertMessage(), QStringLiteral("A value is required"));
    QCOMPARE(focused(), QStringLiteral("edit_code"));
    QTest::qWait(100);
    QCOMPARE(m_stub->params("verify_code").size(), 0);
}

void TestSignUpPages::backButtons() {
    QVERIFY(openSignUp());
    fillSignUp(QStringLiteral("9161234567"), QStringLiteral("Ann"), QStringLiteral("a"),
               QStringLiteral("b"));

    // The picker's back button leaves the sign-up page as it was.
    QTest::mouseClick(child<QPushButton>(signUp(), "button_country"), Qt::LeftButton);
    QTRY_COMPARE(page(), int(MainWindow::CountryPage));
    QTest::mouseClick(child<QPushButton>(m_window->countryPage(), "pushButton_back"),
                      Qt::LeftButton);
    QTRY_COMPARE(page(), int(MainWindow::SignUpPage));
    QCOMPARE(field("edit_code")->text(), QStringLiteral("+7"));
    QCOMPARE(field("edit_phone")->text(), QStringLiteral("9161234567"));
    QCOMPARE(country(), QStringLiteral("Russia"));

    // So does the code page's.
    m_window->showCodeVerification(QStringLiteral("+79161234567"), QStringLiteral("a"));
    QTRY_COMPARE(page(), int(MainWindow::CodePage));
    QTest::mouseClick(child<QPushButton>(codePage(), "pushButton_back"), Qt::LeftButton);
    QTRY_COMPARE(page(), int(MainWindow::SignUpPage));
    QCOMPARE(field("edit_name")->text(), QStringLiteral("Ann"));

    // The sign-up page's own back button empties it.
    QTest::mouseClick(child<QPushButton>(signUp(), "pushButton_back"), Qt::LeftButton);
    QTRY_COMPARE(page(), int(MainWindow::SignInPage));
    QCOMPARE(field("edit_code")->text(), QStringLiteral("+"));
    for (const char *name : {"edit_phone", "edit_name", "edit_password", "edit_confirm_password"})
        QVERIFY2(field(name)->text().isEmpty(), name);
    QCOMPARE(country(), invalidCountry);
}

QTEST_MAIN(TestSignUpPages)
#include "tst_signuppages.moc"

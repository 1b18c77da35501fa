#pragma once

#include "app/AppState.h"
#include "widgets/AlertFrame.h"

#include <QHostInfo>
#include <QLabel>
#include <QScopedPointer>
#include <QTcpServer>
#include <QWidget>

#include <memory>

#include <QtTest>

// A page with the shared alert overlay over it, as the main window makes it.
class OverlayFixture {
public:
    OverlayFixture()
        : m_page(new QWidget) {
        m_page->resize(420, 580);
        m_overlay = new AlertFrame(m_page.data());
        appState().alertFrame = m_overlay;
        m_formText = alertText();
    }
    ~OverlayFixture() { appState().alertFrame = nullptr; }

    QWidget *page() const { return m_page.data(); }
    AlertFrame *overlay() const { return m_overlay; }

    QString alertTitle() const { return label("label_title"); }
    QString alertText() const { return label("label_error"); }
    // Whether an alert has been shown since the overlay was made.
    bool alertShown() const { return alertText() != m_formText; }

private:
    QString label(const char *name) const {
        const auto *label = m_overlay->findChild<QLabel *>(QLatin1String(name));
        return label ? label->text() : QStringLiteral("<no %1>").arg(QLatin1String(name));
    }

    QScopedPointer<QWidget> m_page;
    AlertFrame *m_overlay = nullptr;
    QString m_formText;
};

// A port on 127.0.0.1 where nothing listens.
inline quint16 closedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// A name that does not resolve. Names under ".invalid" never exist, but a
// resolver may still answer one; then the test that needs it is skipped.
inline QString unknownHost() {
    return QStringLiteral("vantero-test.invalid");
}

inline bool unknownHostFailsToResolve() {
    struct Outcome {
        bool finished = false;
        bool failed = false;
    };
    auto outcome = std::make_shared<Outcome>();
    QHostInfo::lookupHost(unknownHost(), qApp, [outcome](const QHostInfo &info) {
        outcome->failed = info.error() != QHostInfo::NoError || info.addresses().isEmpty();
        outcome->finished = true;
    });
    return QTest::qWaitFor([&] { return outcome->finished; }, 20000) && outcome->failed;
}

#pragma once

// Helpers for tests that drive the real pages of the main window against
// the local development service: what the shared alert overlay shows, when
// it is idle, and the debug-log lines the pages write.

#include "TestRows.h"

#include "app/AppState.h"
#include "widgets/AlertFrame.h"

#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QtTest>

namespace PageTestKit {

// A control of a page by its object name; a missing one is named in the
// log, so that a renamed control reads as such and not as a bare null.
template <typename T> T *child(QWidget *page, const char *name) {
    T *found = page->findChild<T *>(QLatin1String(name));
    if (!found)
        qWarning() << "no" << name << "in" << page->objectName();
    return found;
}

// True once the shared overlay shows no busy state (or there is none).
inline bool waitIdle(int timeoutMs = 20000) {
    return QTest::qWaitFor(
        [] {
            const AlertFrame *overlay = appState().alertFrame;
            return !overlay || !overlay->isBusy();
        },
        timeoutMs);
}

inline bool alertShowing() {
    const AlertFrame *overlay = appState().alertFrame;
    if (!overlay || !overlay->isVisible())
        return false;
    const auto *panel = overlay->findChild<QFrame *>(QStringLiteral("frame_top"));
    return panel && panel->isVisible();
}

inline QString alertTitle() {
    const AlertFrame *overlay = appState().alertFrame;
    const auto *label =
        overlay ? overlay->findChild<QLabel *>(QStringLiteral("label_title")) : nullptr;
    return label ? label->text() : QString();
}

inline QString alertMessage() {
    const AlertFrame *overlay = appState().alertFrame;
    const auto *label =
        overlay ? overlay->findChild<QLabel *>(QStringLiteral("label_error")) : nullptr;
    return label ? label->text() : QString();
}

// Takes the alert away at once, so that the next one can be told apart.
inline void dismissAlert() {
    if (AlertFrame *overlay = appState().alertFrame) {
        if (auto *panel = overlay->findChild<QFrame *>(QStringLiteral("frame_top")))
            panel->hide();
        overlay->hide();
    }
}

inline QStringList rowTexts(const QListWidget *list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

// Clicks the row like a user, so that it becomes current first.
inline void clickRow(QListWidget *list, int row) {
    const QRect rect = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

// Collects the debug-log lines of the program while it lives (the pages
// write the session token of a sign-in there).
class DebugLog {
public:
    DebugLog() {
        instance() = this;
        m_previous = qInstallMessageHandler(&DebugLog::handle);
    }
    ~DebugLog() {
        qInstallMessageHandler(m_previous);
        instance() = nullptr;
    }
    DebugLog(const DebugLog &) = delete;
    DebugLog &operator=(const DebugLog &) = delete;

    QStringList lines() const {
        QMutexLocker lock(&m_mutex);
        return m_lines;
    }

    // The text after the first line starting with prefix, or empty.
    QString after(const QString &prefix) const {
        for (const QString &line : lines()) {
            if (line.startsWith(prefix))
                return line.mid(prefix.size());
        }
        return QString();
    }

private:
    static DebugLog *&instance() {
        static DebugLog *log = nullptr;
        return log;
    }
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &text) {
        if (DebugLog *log = instance()) {
            {
                QMutexLocker lock(&log->m_mutex);
                log->m_lines << text;
            }
            if (log->m_previous)
                log->m_previous(type, context, text);
        }
    }

    mutable QMutex m_mutex;
    QStringList m_lines;
    QtMessageHandler m_previous = nullptr;
};

} // namespace PageTestKit

#pragma once

#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QScopedPointer>
#include <QString>
#include <QStringList>
#include <QVector>

// An X server of the test's own (Xvfb, no window manager) and the tools that
// act on it as a person would: xdotool for the pointer and the keyboard,
// ImageMagick's import for screenshots. Nothing here touches the display
// the test itself runs on.
class XSession {
public:
    struct Window {
        QString id;
        QString name;
        QRect rect; // in screen coordinates
    };

    XSession() = default;
    ~XSession();
    XSession(const XSession &) = delete;
    XSession &operator=(const XSession &) = delete;

    // Starts Xvfb on a free display number with a screen of the given size.
    bool start(const QSize &screen, QString *error);
    void stop();
    // ":N"
    QString display() const { return m_display; }

    // Runs xdotool with the arguments; false when it fails or hangs.
    bool xdotool(const QStringList &arguments, QString *output = nullptr) const;
    bool click(const QPoint &at) const;
    bool doubleClick(const QPoint &at) const;
    bool typeText(const QString &text) const;
    bool key(const QString &keys) const;

    // The visible top-level windows of a process (no window manager: the
    // positions are the windows' own).
    QVector<Window> windowsOf(qint64 pid) const;

    // A screenshot of the whole screen; a null image when import fails.
    QImage capture(const QString &savePath = QString()) const;

private:
    QScopedPointer<QProcess> m_server;
    QString m_display;
};

#include "XSession.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryFile>

namespace {

constexpr int toolTimeoutMs = 20000;

} // namespace

XSession::~XSession() {
    stop();
}

bool XSession::start(const QSize &screen, QString *error) {
    m_server.reset(new QProcess);
    // -displayfd picks a free display number and prints it: no guessing, no
    // clash with the display the other tests share.
    m_server->start(
        QStringLiteral("Xvfb"),
        {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
         QStringLiteral("0"), QStringLiteral("%1x%2x24").arg(screen.width()).arg(screen.height()),
         QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-noreset")});
    if (!m_server->waitForStarted(10000)) {
        *error = QStringLiteral("cannot start Xvfb: %1").arg(m_server->errorString());
        return false;
    }
    QByteArray out;
    const QDeadlineTimer deadline(30000);
    while (!out.contains('\n') && !deadline.hasExpired() &&
           m_server->state() == QProcess::Running) {
        m_server->waitForReadyRead(200);
        out += m_server->readAllStandardOutput();
    }
    bool ok = false;
    const int number = out.trimmed().toInt(&ok);
    if (!ok) {
        *error = QStringLiteral("Xvfb gave no display number: %1 %2")
                     .arg(QString::fromLocal8Bit(out),
                          QString::fromLocal8Bit(m_server->readAllStandardError()));
        stop();
        return false;
    }
    m_display = QStringLiteral(":%1").arg(number);
    return true;
}

void XSession::stop() {
    if (!m_server)
        return;
    if (m_server->state() != QProcess::NotRunning) {
        m_server->terminate();
        if (!m_server->waitForFinished(5000)) {
            m_server->kill();
            m_server->waitForFinished(5000);
        }
    }
    m_server.reset();
}

bool XSession::xdotool(const QStringList &arguments, QString *output) const {
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    tool.setProcessEnvironment(environment);
    tool.start(QStringLiteral("xdotool"), arguments);
    if (!tool.waitForFinished(toolTimeoutMs)) {
        tool.kill();
        tool.waitForFinished(2000);
        return false;
    }
    if (output)
        *output = QString::fromLocal8Bit(tool.readAllStandardOutput());
    return tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

bool XSession::click(const QPoint &at) const {
    return xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                    QStringLiteral("click"), QStringLiteral("1")});
}

bool XSession::doubleClick(const QPoint &at) const {
    // Two presses 80 ms apart: well inside any double-click interval, and
    // far enough apart for the program to see two clicks.
    return xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                    QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
                    QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")});
}

bool XSession::typeText(const QString &text) const {
    return xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text});
}

bool XSession::key(const QString &keys) const {
    return xdotool({QStringLiteral("key"), keys});
}

QVector<XSession::Window> XSession::windowsOf(qint64 pid) const {
    QVector<Window> windows;
    QString ids;
    // No match makes xdotool fail; that is an empty list, not an error.
    // Top-level windows only: the player makes native child windows, which
    // are no windows a person would see as such.
    xdotool({QStringLiteral("search"), QStringLiteral("--maxdepth"), QStringLiteral("1"),
             QStringLiteral("--onlyvisible"), QStringLiteral("--pid"), QString::number(pid)},
            &ids);
    const QRegularExpression field(QStringLiteral("^(\\w+)=(.*)$"),
                                   QRegularExpression::MultilineOption);
    for (const QString &id : ids.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        QString shell;
        if (!xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), id}, &shell))
            continue;
        Window window;
        window.id = id.trimmed();
        int x = 0, y = 0, w = 0, h = 0;
        auto it = field.globalMatch(shell);
        while (it.hasNext()) {
            const auto match = it.next();
            const QString name = match.captured(1);
            const int value = match.captured(2).toInt();
            if (name == QLatin1String("X"))
                x = value;
            else if (name == QLatin1String("Y"))
                y = value;
            else if (name == QLatin1String("WIDTH"))
                w = value;
            else if (name == QLatin1String("HEIGHT"))
                h = value;
        }
        window.rect = QRect(x, y, w, h);
        QString name;
        xdotool({QStringLiteral("getwindowname"), window.id}, &name);
        window.name = name.trimmed();
        // Qt's own helper windows are tiny; only real windows count.
        if (w > 50 && h > 50)
            windows.append(window);
    }
    return windows;
}

QImage XSession::capture(const QString &savePath) const {
    QString path = savePath;
    QTemporaryFile scratch;
    if (path.isEmpty()) {
        scratch.setFileTemplate(QStringLiteral("/tmp/vantero-e2e-XXXXXX.png"));
        if (!scratch.open())
            return QImage();
        path = scratch.fileName();
    }
    QProcess import;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    import.setProcessEnvironment(environment);
    import.start(QStringLiteral("import"), {QStringLiteral("-silent"), QStringLiteral("-window"),
                                            QStringLiteral("root"), QStringLiteral("png:") + path});
    if (!import.waitForFinished(toolTimeoutMs) || import.exitCode() != 0) {
        import.kill();
        import.waitForFinished(2000);
        return QImage();
    }
    QImage image(path, "PNG");
    return image.convertToFormat(QImage::Format_RGB32);
}

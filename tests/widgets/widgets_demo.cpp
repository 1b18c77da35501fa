// Renders the alert overlay and the busy layer over a sample page into two
// PNG files, for a look at them without the whole program.
#include "widgets/AlertFrame.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>

namespace {

void pause(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool save(QWidget *window, const QString &path) {
    const bool ok = window->grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

QWidget *samplePage() {
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("samplePage"));
    page->setFixedSize(420, 580);
    page->setStyleSheet(
        QStringLiteral("QWidget#samplePage { background-color: rgb(235, 235, 235); }"
                       "QLineEdit { background: white; border: 1px solid "
                       "rgb(200, 200, 200); padding: 6px; }"));
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 60);
    auto *header = new QLabel(QStringLiteral("Vantero"), page);
    header->setAlignment(Qt::AlignCenter);
    header->setFixedHeight(59);
    header->setStyleSheet(QStringLiteral("background-color: rgb(98, 136, 166); color: white; "
                                         "font: 20pt \"Arial\";"));
    layout->addWidget(header);
    layout->addStretch();
    auto *user = new QLineEdit(page);
    user->setPlaceholderText(QStringLiteral("E-mail or phone"));
    auto *password = new QLineEdit(page);
    password->setPlaceholderText(QStringLiteral("Password"));
    password->setEchoMode(QLineEdit::Password);
    auto *fields = new QVBoxLayout;
    fields->setContentsMargins(40, 0, 40, 0);
    fields->addWidget(user);
    fields->addWidget(password);
    fields->addWidget(new QPushButton(QStringLiteral("Sign in"), page));
    layout->addLayout(fields);
    layout->addStretch();
    return page;
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    const QString outDir =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    if (!QDir().mkpath(outDir)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(outDir));
        return 1;
    }

    QWidget *page = samplePage();
    page->setWindowTitle(QStringLiteral("Vantero widgets"));
    auto *alert = new AlertFrame(page);
    page->show();
    pause(300);

    alert->showAlert(page, QStringLiteral("Connection"),
                     QStringLiteral("The service cannot be reached. Check the network "
                                    "connection and try again."));
    pause(900); // slide-in and fade-in take 500 ms
    bool ok = save(page, QDir(outDir).filePath(QStringLiteral("alert.png")));

    // A click dismisses the alert, as a user would, before the busy layer.
    QMouseEvent click(QEvent::MouseButtonPress, QPointF(200, 300), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(alert, &click);
    pause(800);
    alert->showBusy(page);
    pause(300);
    ok = save(page, QDir(outDir).filePath(QStringLiteral("busy.png"))) && ok;

    delete page;
    return ok ? 0 : 1;
}

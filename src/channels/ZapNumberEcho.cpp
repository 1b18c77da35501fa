#include "channels/ZapNumberEcho.h"

#include "channels/ZapNumberEntry.h"

#include <QEvent>

namespace {
constexpr int edge = 24;
} // namespace

ZapNumberEcho::ZapNumberEcho(ZapNumberEntry *entry, QWidget *player)
    : QLabel(player) {
    setObjectName(QStringLiteral("zapNumberEcho"));
    // The engine paints the picture into a window of its own: only another
    // window lies above it.
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setStyleSheet(QStringLiteral("QLabel { background-color: rgb(20, 20, 20); color: white;"
                                 " font-size: 40px; font-weight: bold; padding: 6px 18px; }"));
    hide();
    connect(entry, &ZapNumberEntry::typedChanged, this, &ZapNumberEcho::showDigits);
    player->installEventFilter(this);
}

bool ZapNumberEcho::eventFilter(QObject *watched, QEvent *event) {
    if (watched == parent() && event->type() == QEvent::Resize && isVisible())
        place();
    return QLabel::eventFilter(watched, event);
}

void ZapNumberEcho::showDigits(const QString &digits) {
    if (digits.isEmpty()) {
        hide();
        return;
    }
    setText(digits);
    adjustSize();
    place();
    show();
    raise();
}

void ZapNumberEcho::place() {
    move(parentWidget()->width() - width() - edge, edge);
}

#include "channels/ChannelSearchBar.h"

#include "app/Messages.h"
#include "channels/HomeWidget.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyleOption>
#include <QtConcurrent>

namespace {

constexpr int barHeight = 44;

// The page's colours: the light grey of the settings pages, the blue of
// the group strip for the frame.
const QString barStyle =
    QStringLiteral("ChannelSearchBar { background-color: rgb(235, 235, 235); }");
const QString fieldStyle =
    QStringLiteral("QLineEdit { background-color: rgb(255, 255, 255); color: rgb(0, 0, 0);"
                   " border: 1px solid rgb(200, 200, 200); border-radius: 4px; padding: 2px 8px;"
                   " font-family: Arial; font-size: 11pt; }"
                   "QLineEdit:focus { border: 1px solid rgb(98, 136, 166); }");

bool movesInList(int key) {
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true;
    default:
        return false;
    }
}

} // namespace

ChannelSearchBar::ChannelSearchBar(HomeWidget *home, QWidget *parent)
    : QWidget(parent)
    , m_home(home)
    , m_field(new QLineEdit(this)) {
    setObjectName(QStringLiteral("ChannelSearchBar"));
    setFixedHeight(barHeight);
    setStyleSheet(barStyle);
    m_field->setObjectName(QStringLiteral("searchField"));
    m_field->setStyleSheet(fieldStyle);
    m_field->setPlaceholderText(msg("searchchannels"));
    m_field->setClearButtonEnabled(true);
    m_field->setAttribute(Qt::WA_MacShowFocusRect, false);
    m_field->installEventFilter(this);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->addWidget(m_field);

    connect(m_field, &QLineEdit::textChanged, this, &ChannelSearchBar::search);
    connect(&m_folding, &QFutureWatcherBase::finished, this, &ChannelSearchBar::takeIndex);
    connect(home, &HomeWidget::groupsShown, this, &ChannelSearchBar::rebuild);
    // A group picked while results show replaces them.
    connect(home->groupList(), &QListWidget::itemClicked, this, &ChannelSearchBar::dropSearch);
}

void ChannelSearchBar::focusField() {
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
}

void ChannelSearchBar::rebuild() {
    // Folding the titles of 100,000 channels takes the GUI thread tens of
    // milliseconds, right when the first group is painted: a worker does
    // it. A fold still running for the last load is left to finish unread.
    m_index.clear();
    m_foldPending = true;
    m_folding.setFuture(QtConcurrent::run([records = m_home->channelRecords()] {
        ChannelSearchIndex index;
        index.build(records);
        return index;
    }));
    // The new load shows its first group; a text from the old playlist
    // would not match what is listed.
    dropSearch();
}

const ChannelSearchIndex &ChannelSearchBar::index() {
    takeIndex();
    return m_index;
}

void ChannelSearchBar::takeIndex() {
    if (!m_foldPending)
        return;
    m_folding.waitForFinished();
    m_index = m_folding.result();
    m_foldPending = false;
}

void ChannelSearchBar::dropSearch() {
    m_searching = false;
    m_groupBefore = -1;
    const QSignalBlocker quiet(m_field);
    m_field->clear();
}

void ChannelSearchBar::clearSearch() {
    const bool wasSearching = m_searching;
    const int group = m_groupBefore;
    dropSearch();
    if (wasSearching && group >= 0 && group < m_home->groupRecords().size())
        m_home->showGroup(group);
}

void ChannelSearchBar::search(const QString &text) {
    // A blank text matches nothing: the group comes back.
    if (text.trimmed().isEmpty()) {
        clearSearch();
        return;
    }
    if (!m_searching) {
        m_searching = true;
        m_groupBefore = m_home->groupList()->currentRow();
    }
    m_home->showPositions(index().match(text));
}

bool ChannelSearchBar::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Escape && (m_searching || !m_field->text().isEmpty())) {
            clearSearch();
            return true;
        }
        // The arrows, the page keys and Enter work on the results without
        // leaving the field.
        if (movesInList(key->key())) {
            QListWidget *list = m_home->channelList();
            if (list->currentRow() < 0 && list->count() > 0 && key->key() != Qt::Key_Return &&
                key->key() != Qt::Key_Enter) {
                list->setCurrentRow(0);
                return true;
            }
            QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->text());
            QCoreApplication::sendEvent(list, &copy);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ChannelSearchBar::paintEvent(QPaintEvent *) {
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

#include "channels/ChannelKeys.h"

#include "app/AppState.h"
#include "app/PageFlow.h"
#include "channels/ChannelSearchBar.h"
#include "channels/HomeWidget.h"
#include "channels/ZapNumberEcho.h"
#include "channels/ZapNumberEntry.h"
#include "player/PlayerButtomToolBar.h"
#include "player/PlayerWidget.h"

#include <QJsonObject>
#include <QKeyEvent>
#include <QListWidget>
#include <QShortcut>

namespace {

QList<QKeySequence> digitKeys() {
    QList<QKeySequence> keys;
    for (int key = Qt::Key_0; key <= Qt::Key_9; ++key)
        keys << QKeySequence(key);
    return keys;
}

} // namespace

const QVector<ChannelKeys::Binding> &ChannelKeys::bindings() {
    using A = Action;
    static const QVector<Binding> table{
        {A::Search, {QKeySequence(Qt::CTRL | Qt::Key_F)}, "keysearch", true},
        {A::Move, {QKeySequence(Qt::Key_Up), QKeySequence(Qt::Key_Down)}, "keymove", false},
        {A::MovePage,
         {QKeySequence(Qt::Key_PageUp), QKeySequence(Qt::Key_PageDown)},
         "keypage",
         false},
        {A::Play, {QKeySequence(Qt::Key_Return)}, "keyplay", false},
        {A::Number, digitKeys(), "keynumber", true},
        {A::PlayPause,
         {QKeySequence(Qt::Key_Space), QKeySequence(Qt::Key_MediaTogglePlayPause)},
         "keypause",
         true},
        {A::Mute, {QKeySequence(Qt::Key_M)}, "keymute", true},
        {A::VolumeUp,
         {QKeySequence(Qt::Key_Plus), QKeySequence(Qt::Key_Equal)},
         "keyvolumeup",
         true},
        {A::VolumeDown, {QKeySequence(Qt::Key_Minus)}, "keyvolumedown", true},
        {A::FullScreen,
         {QKeySequence(Qt::Key_F), QKeySequence(Qt::Key_F11)},
         "keyfullscreen",
         true},
        {A::Leave, {QKeySequence(Qt::Key_Escape)}, "keyleave", false},
        {A::Next,
         {QKeySequence(Qt::CTRL | Qt::Key_Down), QKeySequence(Qt::Key_MediaNext)},
         "keynext",
         true},
        {A::Previous,
         {QKeySequence(Qt::CTRL | Qt::Key_Up), QKeySequence(Qt::Key_MediaPrevious)},
         "keyprevious",
         true},
    };
    return table;
}

QString ChannelKeys::keysText(const Binding &binding) {
    // Ten digits read better as a range.
    if (binding.action == Action::Number)
        return QStringLiteral("0 … 9");
    QStringList texts;
    for (const QKeySequence &key : binding.keys)
        texts << key.toString(QKeySequence::NativeText);
    return texts.join(QStringLiteral(", "));
}

ChannelKeys::ChannelKeys(HomeWidget *home)
    : QObject(home)
    , m_home(home)
    , m_number(new ZapNumberEntry(this)) {
    for (const Binding &binding : bindings()) {
        if (!binding.shortcut)
            continue;
        for (const QKeySequence &key : binding.keys) {
            // Window-wide, so that the keys work whichever part of the page
            // has the focus, full screen too; the page's hidden (another
            // page of the window is shown) switches them off.
            auto *shortcut = new QShortcut(key, home);
            shortcut->setContext(Qt::WindowShortcut);
            const Action action = binding.action;
            auto fire = [this, action, key] { trigger(action, key); };
            connect(shortcut, &QShortcut::activated, this, fire);
            // A key someone else binds too must still do its work here.
            connect(shortcut, &QShortcut::activatedAmbiguously, this, fire);
        }
    }
    connect(m_number, &ZapNumberEntry::numberEntered, this, &ChannelKeys::zapTo);
    if (QWidget *player = home->player())
        new ZapNumberEcho(m_number, player);
    m_list = home->channelList();
    m_list->installEventFilter(this);
}

bool ChannelKeys::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            playSelected();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void ChannelKeys::playSelected() {
    QListWidget *list = m_home->channelList();
    if (QListWidgetItem *item = list->currentItem())
        m_home->chnaelListDoubleClick(item);
}

void ChannelKeys::trigger(Action action, const QKeySequence &key) {
    PlayerButtomToolBar *bar = m_home->bottomToolBar();
    switch (action) {
    case Action::Search:
        if (ChannelSearchBar *search = m_home->searchBar())
            search->focusField();
        break;
    case Action::Number:
        m_number->setLimit(m_home->channelRecords().size());
        m_number->addDigit(key[0] - Qt::Key_0);
        break;
    case Action::PlayPause:
        if (bar)
            bar->togglePlayback();
        break;
    case Action::Mute:
        if (bar)
            bar->toggleMute();
        break;
    case Action::VolumeUp:
    case Action::VolumeDown:
        if (bar)
            bar->stepVolume(action == Action::VolumeUp ? volumeStep : -volumeStep);
        break;
    case Action::FullScreen:
        // The way the bar's button goes: the main window fits the page to
        // the screen first.
        if (PageFlow *window = appState().pageFlow())
            window->fitFullScreen();
        else
            m_home->toggleFullScreen();
        break;
    case Action::Next:
        m_home->playNext();
        break;
    case Action::Previous:
        m_home->playPrevious();
        break;
    default:
        break;
    }
}

bool ChannelKeys::zapTo(int number) {
    const int position = number - 1;
    const QJsonArray &records = m_home->channelRecords();
    if (position < 0 || position >= records.size())
        return false;
    if (!m_home->shownPositions().contains(position)) {
        // Search results that do not hold it give way to its group.
        if (ChannelSearchBar *search = m_home->searchBar())
            search->clearSearch();
    }
    if (!m_home->shownPositions().contains(position)) {
        const int groupId =
            records.at(position).toObject().value(QStringLiteral("group_id")).toInt();
        const QJsonArray &groups = m_home->groupRecords();
        for (int row = 0; row < groups.size(); ++row) {
            if (groups.at(row).toObject().value(QStringLiteral("id")).toInt() == groupId) {
                m_home->showGroup(row);
                break;
            }
        }
    }
    const int row = m_home->shownPositions().indexOf(position);
    if (row < 0)
        return false;
    QListWidget *list = m_home->channelList();
    list->setCurrentRow(row);
    list->scrollToItem(list->item(row));
    m_home->chnaelListDoubleClick(list->item(row));
    return true;
}

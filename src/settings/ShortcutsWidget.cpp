#include "settings/ShortcutsWidget.h"

#include "app/Messages.h"
#include "channels/ChannelKeys.h"
#include "settings/DialogMainSettings.h"

#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyleOption>
#include <QTableWidget>

namespace {

// The looks of the other settings pages: a blue header with the back
// button and a white title, the light grey page below.
constexpr int pageWidth = 420;
constexpr int pageHeight = 580;
constexpr int headerHeight = 59;
constexpr int rowHeight = 34;
constexpr int keyColumnWidth = 150;

QFont arial(int pointSize, bool bold) {
    QFont font(QStringLiteral("Arial"), pointSize);
    font.setBold(bold);
    return font;
}

} // namespace

ShortcutsWidget::ShortcutsWidget(QWidget *parent)
    : QWidget(parent)
    , m_table(new QTableWidget(this)) {
    setObjectName(QStringLiteral("ShortcutsWidget"));
    setFixedSize(pageWidth, pageHeight);
    setStyleSheet(QStringLiteral("background-color: rgb(235, 235, 235);"));

    auto *header = new QFrame(this);
    header->setObjectName(QStringLiteral("frame"));
    header->setGeometry(0, 0, pageWidth, headerHeight);
    header->setStyleSheet(QStringLiteral("background-color: rgb(98, 136, 166);"));
    auto *back = new QPushButton(header);
    back->setObjectName(QStringLiteral("pushButton_back"));
    back->setGeometry(10, 10, 40, 40);
    back->setFocusPolicy(Qt::NoFocus);
    back->setStyleSheet(QStringLiteral("border-image: url(:/menu_back);"));
    connect(back, &QPushButton::clicked, this, [this] {
        if (DialogMainSettings *dialog = DialogMainSettings::of(this))
            dialog->showMenu();
    });
    auto *title = new QLabel(msg("shortcuts"), header);
    title->setObjectName(QStringLiteral("label_title"));
    title->setGeometry(60, 10, 300, 40);
    title->setFont(arial(14, false));
    title->setAlignment(Qt::AlignCenter);
    title->setStyleSheet(QStringLiteral("color: rgb(255, 255, 255);"));

    const QVector<ChannelKeys::Binding> &bindings = ChannelKeys::bindings();
    m_table->setObjectName(QStringLiteral("shortcutTable"));
    m_table->setGeometry(10, headerHeight + 8, pageWidth - 20, pageHeight - headerHeight - 16);
    m_table->setColumnCount(2);
    m_table->setRowCount(bindings.size());
    m_table->horizontalHeader()->hide();
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(rowHeight);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setColumnWidth(0, keyColumnWidth);
    m_table->setShowGrid(false);
    m_table->setFrameShape(QFrame::NoFrame);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setFocusPolicy(Qt::NoFocus);
    m_table->setWordWrap(true);
    m_table->setStyleSheet(QStringLiteral(
        "QTableWidget { background-color: rgb(255, 255, 255); color: rgb(0, 0, 0); }"
        "QTableWidget::item { border-bottom: 1px solid rgb(235, 235, 235); padding-left: 6px; }"));
    for (int row = 0; row < bindings.size(); ++row) {
        auto *keys = new QTableWidgetItem(ChannelKeys::keysText(bindings.at(row)));
        keys->setFont(arial(10, true));
        keys->setForeground(QColor(98, 136, 166));
        auto *what = new QTableWidgetItem(msg(bindings.at(row).description));
        what->setFont(arial(10, false));
        m_table->setItem(row, 0, keys);
        m_table->setItem(row, 1, what);
    }
}

void ShortcutsWidget::paintEvent(QPaintEvent *) {
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

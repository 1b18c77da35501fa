#pragma once

#include <QCache>
#include <QImage>
#include <QStyledItemDelegate>

// Paints the rows of the program's plain lists. The list owner picks the
// mode right after construction:
//
// 1 (MenuMode): menu-like rows (devices, playlists, settings menu): the text
//   of TextRole at the left; at the right an arrow, or, for rows whose
//   CheckableRole is 1, a check mark while CheckedRole is 1.
// 2 (LanguageMode): the standard row, with a check mark at the right while
//   LanguageCheckedRole is "1".
// 3 (ChannelMode): channel rows (70 pixels high): logo box, title, channel
//   number, current programme, elapsed and total time and a progress bar.
//
// Everything painted comes from the item's roles; any other mode paints
// nothing.
class ListItemDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    enum Mode { MenuMode = 1, LanguageMode = 2, ChannelMode = 3 };

    // Mode 1.
    static constexpr int TextRole = Qt::UserRole + 1;
    static constexpr int CheckableRole = Qt::UserRole + 2;
    static constexpr int CheckedRole = Qt::UserRole + 3;
    // Mode 2.
    static constexpr int LanguageCheckedRole = Qt::UserRole + 1;
    // Mode 3; the title is the display role.
    static constexpr int ProgrammeRole = Qt::UserRole + 1;
    static constexpr int LogoRole = Qt::UserRole + 2;     // image file path
    static constexpr int ElapsedRole = Qt::UserRole + 3;  // minutes, decimal text
    static constexpr int DurationRole = Qt::UserRole + 4; // "HH:mm:ss"
    static constexpr int PlayingRole = Qt::UserRole + 5;  // "1" for the playing channel
    static constexpr int NumberRole = Qt::UserRole + 6;   // channel number, 0 for none

    explicit ListItemDelegate(QObject *parent = nullptr);
    ~ListItemDelegate() override;

    int mode = 0;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;

    // "HH:MM" of a number of minutes given as decimal text; text that is
    // not a number counts as 0.
    static QString elapsedText(const QString &minutes);
    // Whole minutes of an "HH:mm:ss" duration; -1 when unreadable.
    static int durationMinutes(const QString &duration);

    // Channel rows keep their logos loaded and scaled between paints. The
    // list owner drops them when a logo file may have changed on disk: all
    // of them (a new load rewrites the files), or those of one path.
    void forgetLogos();
    void forgetLogo(const QString &path);

protected:
    // The logo of a channel row: the image file at path, or the built-in TV
    // icon when that cannot be read or its size is refused (LogoImage).
    virtual QImage loadLogo(const QString &path) const;

private:
    // The logo of path scaled to side pixels wide and at most maxHeight
    // high (LogoImage::scaledSize), from the cache when it was drawn before
    // at that size.
    QImage scaledLogo(const QString &path, int side, int maxHeight) const;

    void paintMenuRow(QPainter *painter, const QStyleOptionViewItem &option,
                      const QModelIndex &index) const;
    void paintLanguageRow(QPainter *painter, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const;
    void paintChannelRow(QPainter *painter, const QStyleOptionViewItem &option,
                         const QModelIndex &index) const;

    mutable QCache<QString, QImage> m_logos;
};

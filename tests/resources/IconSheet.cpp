// Renders every embedded icon where the program shows it (header bars, the
// player bars, fields and buttons on the grey page, list rows) into one PNG,
// so that a change to a drawing can be judged at a glance. Not a test: run
//   QT_QPA_PLATFORM=offscreen bin/icon_sheet [out.png]

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

namespace {

const QColor headerBlue(98, 136, 166);
const QColor pageGrey(235, 235, 235);

const char *const barButtonStyle =
    "QPushButton{border-image: url(:/%1);}QPushButton:pressed{border: 2px rgb(75,75,75);}";

QFont arial(int points, bool bold) {
    QFont font(QStringLiteral("Arial"), points);
    font.setBold(bold);
    return font;
}

QPushButton *button(QWidget *parent, const QString &image, const QRect &geometry) {
    auto *b = new QPushButton(parent);
    b->setStyleSheet(QString::fromLatin1(barButtonStyle).arg(image));
    b->setGeometry(geometry);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

QLabel *title(QWidget *parent, const QString &text, const QRect &geometry, int points = 14) {
    auto *label = new QLabel(text, parent);
    label->setFont(arial(points, true));
    label->setStyleSheet(QStringLiteral("color: rgb(255, 255, 255);"));
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

// A page header as the account and settings pages have it.
QWidget *header(const QString &left, const QString &text, const QString &right) {
    auto *bar = new QFrame;
    bar->setFixedSize(420, 59);
    bar->setStyleSheet(QStringLiteral("background-color: rgb(98, 136, 166);"));
    button(bar, left, {10, 10, 40, 40});
    title(bar, text, {60, 10, 300, 40});
    if (!right.isEmpty())
        button(bar, right, {370, 10, 40, 40});
    return bar;
}

// A page body with a field box, icon and transparent line edit.
void field(QWidget *page, int y, const QString &icon, const QString &placeholder, bool password) {
    auto *frame = new QFrame(page);
    frame->setGeometry(10, y, 400, 67);
    auto *background = new QLabel(frame);
    background->setGeometry(5, 8, 390, 52);
    background->setStyleSheet(QStringLiteral("border-image: url(:/edit_image);"));
    auto *glyph = new QLabel(frame);
    glyph->setGeometry(12, 8, 20, 52);
    glyph->setStyleSheet(QStringLiteral("image: url(:/%1);\nbackground:transparent;").arg(icon));
    auto *edit = new QLineEdit(frame);
    edit->setGeometry(40, 16, 345, 36);
    edit->setFont(arial(14, false));
    edit->setStyleSheet(QStringLiteral("background:transparent; border: none;"));
    edit->setPlaceholderText(placeholder);
    if (password) {
        edit->setEchoMode(QLineEdit::Password);
        edit->setText(QStringLiteral("secret"));
    }
}

QWidget *signInPage() {
    auto *page = new QWidget;
    page->setFixedSize(420, 480);
    page->setAutoFillBackground(true);
    page->setStyleSheet(QStringLiteral("background-color: rgb(235, 235, 235);"));
    field(page, 10, QStringLiteral("email_image"), QStringLiteral("E-mail or phone"), false);
    field(page, 80, QStringLiteral("password_image"), QStringLiteral("Password"), true);
    field(page, 150, QStringLiteral("playlist_image"), QStringLiteral("Playlist"), false);
    field(page, 220, QStringLiteral("notebook_image"), QStringLiteral("Device name"), false);
    auto *signIn = new QPushButton(QStringLiteral("Sign in"), page);
    signIn->setGeometry(10, 320, 400, 52);
    signIn->setFont(arial(14, true));
    signIn->setStyleSheet(
        QStringLiteral("border-image: url(:/btn_signin);\ncolor: rgb(255, 255, 255);"));
    auto *signUp = new QPushButton(QStringLiteral("Sign Up"), page);
    signUp->setGeometry(10, 390, 400, 52);
    signUp->setFont(arial(14, true));
    signUp->setStyleSheet(
        QStringLiteral("border-image: url(:/btn_signup);\ncolor: rgb(255, 255, 255);"));
    return page;
}

QWidget *playlistBar(bool marked) {
    auto *bar = new QFrame;
    bar->setFixedSize(420, 50);
    bar->setStyleSheet(QStringLiteral("background-color: rgb(98, 136, 166);"));
    auto *label = title(bar, marked ? QStringLiteral("Marked") : QStringLiteral("PlayList"),
                        {10, 10, 171, 31}, 16);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const QString suffix = marked ? QStringLiteral("_sel") : QString();
    button(bar, QStringLiteral("tv_password") + suffix, {330, 5, 40, 40});
    button(bar, QStringLiteral("favorite") + suffix, {375, 5, 40, 40});
    return bar;
}

QWidget *playerBar(bool playing) {
    auto *bar = new QFrame;
    bar->setFixedSize(420, 50);
    bar->setStyleSheet(QStringLiteral("background-color: rgb(98, 136, 166);"));
    auto *frame = new QFrame(bar);
    frame->setGeometry(10, 0, 391, 51);
    frame->setStyleSheet(QStringLiteral("background-color: rgb(99, 137, 166);"));
    button(frame, QStringLiteral("filsize"), {10, 10, 30, 30});
    button(frame, QStringLiteral("fullscreen"), {50, 10, 30, 30});
    button(frame, QStringLiteral("back_chanel"), {100, 14, 30, 22});
    button(frame, playing ? QStringLiteral("pause") : QStringLiteral("play"), {140, 5, 40, 40});
    button(frame, QStringLiteral("next_chanel"), {190, 14, 30, 22});
    button(frame, playing ? QStringLiteral("volume") : QStringLiteral("mute"), {245, 10, 30, 30});
    return bar;
}

// List rows painted the way the list delegate places its marks.
QImage listRows() {
    QImage image(420, 50 * 4 + 70 * 2, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    p.setFont(arial(14, false));
    const QImage next(QStringLiteral(":/row_next_icon"));
    const QImage check(QStringLiteral(":/check"));
    const QStringList texts{QStringLiteral("Living room"), QStringLiteral("Settings"),
                            QStringLiteral("Main playlist"), QStringLiteral("English")};
    for (int i = 0; i < texts.size(); ++i) {
        const QRect row(0, i * 50, 420, 50);
        if (i == 1)
            p.fillRect(row, QColor(245, 245, 245));
        if (i == 2)
            p.fillRect(row, QColor(200, 200, 200));
        p.setPen(Qt::black);
        p.drawText(row.adjusted(10, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, texts.at(i));
        const QImage &mark = i < 2 ? next : check;
        p.drawImage(row.width() - 20, row.center().y() - mark.height() / 2, mark);
    }
    const QImage tv(QStringLiteral(":/tv_icon"));
    for (int i = 0; i < 2; ++i) {
        const QRect row(0, 200 + i * 70, 420, 70);
        const bool selected = i == 1;
        if (selected)
            p.fillRect(row, QColor(106, 144, 176));
        const int side = (row.bottom() - 5) - (row.top() + 5);
        p.setPen(QColor(96, 136, 166));
        p.setBrush(Qt::white);
        p.drawRect(row.left() + 5, row.top() + 5, side, side);
        const int s = (row.bottom() - 10) - (row.top() + 10) + 1;
        const QImage scaled = tv.scaled(s, s, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        p.drawImage(row.left() + 10, row.top() + 10, scaled);
        p.setPen(selected ? Qt::white : Qt::black);
        p.setFont(arial(16, true));
        p.drawText(row.adjusted(75, 3, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                   selected ? QStringLiteral("Selected channel") : QStringLiteral("Channel"));
    }
    return image;
}

QImage grab(QWidget *widget) {
    widget->ensurePolished();
    return widget->grab().toImage();
}

// Small icons magnified without smoothing, on the background they sit on.
QImage magnified(const QStringList &names, const QColor &background, int factor) {
    int width = 10;
    int height = 0;
    for (const QString &name : names) {
        const QImage icon(QStringLiteral(":/") + name);
        width += icon.width() * factor + 10;
        height = qMax(height, icon.height() * factor);
    }
    QImage image(width, height + 20, QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    QPainter p(&image);
    int x = 10;
    for (const QString &name : names) {
        const QImage icon(QStringLiteral(":/") + name);
        p.drawImage(QRect(x, 10, icon.width() * factor, icon.height() * factor), icon);
        x += icon.width() * factor + 10;
    }
    return image;
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    const QString out =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("icon-sheet.png");

    QVector<QImage> left;
    for (QWidget *w :
         {header(QStringLiteral("menu_back"), QStringLiteral("Devices"),
                 QStringLiteral("menu_done")),
          header(QStringLiteral("btn_close"), QStringLiteral("Select country"),
                 QStringLiteral("btn_refresh")),
          signInPage(), playlistBar(false), playlistBar(true), playerBar(false), playerBar(true)}) {
        left.append(grab(w));
        delete w;
    }
    left.append(listRows());

    QVector<QImage> right;
    {
        QImage icons(420, 300, QImage::Format_ARGB32_Premultiplied);
        icons.fill(pageGrey);
        QPainter p(&icons);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        const QImage app(QStringLiteral(":/app_icon"));
        p.drawImage(10, 10, app);
        int y = 10;
        for (int size : {64, 48, 32, 16}) {
            p.drawImage(QRect(280, y, size, size), app);
            p.fillRect(QRect(350, y, size + 10, size + 10), Qt::white);
            p.drawImage(QRect(355, y + 5, size, size), app);
            y += size + 15;
        }
        right.append(icons);
    }
    right.append(magnified({QStringLiteral("menu_back"), QStringLiteral("menu_done"),
                            QStringLiteral("btn_refresh"), QStringLiteral("btn_close"),
                            QStringLiteral("favorite"), QStringLiteral("favorite_sel")},
                           headerBlue, 2));
    right.append(magnified({QStringLiteral("tv_password"), QStringLiteral("tv_password_sel"),
                            QStringLiteral("play"), QStringLiteral("pause")},
                           headerBlue, 2));
    right.append(magnified({QStringLiteral("filsize"), QStringLiteral("fullscreen"),
                            QStringLiteral("back_chanel"), QStringLiteral("next_chanel"),
                            QStringLiteral("volume"), QStringLiteral("mute")},
                           headerBlue, 2));
    right.append(magnified({QStringLiteral("email_image"), QStringLiteral("password_image"),
                            QStringLiteral("playlist_image"), QStringLiteral("notebook_image"),
                            QStringLiteral("check"), QStringLiteral("row_next_icon")},
                           Qt::white, 4));
    right.append(QImage(QStringLiteral(":/tv_icon")));

    auto columnSize = [](const QVector<QImage> &images) {
        QSize size;
        for (const QImage &image : images)
            size = QSize(qMax(size.width(), image.width()), size.height() + image.height() + 10);
        return size;
    };
    const QSize a = columnSize(left);
    const QSize b = columnSize(right);
    QImage sheet(a.width() + b.width() + 30, qMax(a.height(), b.height()) + 10,
                 QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(180, 180, 180));
    QPainter p(&sheet);
    int y = 10;
    for (const QImage &image : left) {
        p.drawImage(10, y, image);
        y += image.height() + 10;
    }
    y = 10;
    for (const QImage &image : right) {
        p.drawImage(a.width() + 20, y, image);
        y += image.height() + 10;
    }
    p.end();
    if (!sheet.save(out)) {
        qWarning("icon_sheet: cannot write %s", qPrintable(out));
        return 1;
    }
    return 0;
}

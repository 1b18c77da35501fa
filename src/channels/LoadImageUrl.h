#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QNetworkReply;

// Fetches the logo of one channel into the logo cache, named after the
// channel's id with the suffix of the address (logo.png of channel 42 is
// saved as 42.png), and reports the file once it is written. A failed
// download is not reported: the channel keeps its remote address and its
// row shows the built-in TV icon. So does a logo larger than maxLogoBytes,
// or one that is no image of a size LogoImage accepts: its file is removed.
class LoadImageUrl : public QObject {
    Q_OBJECT

public:
    static constexpr qint64 maxLogoBytes = 4 * 1024 * 1024;

    explicit LoadImageUrl(QObject *parent = nullptr);
    ~LoadImageUrl() override;

    void load(const QString &address, int channelId);

    int channelId() const { return id_chanel; }

    // Where logos are saved: "image" in the program's folder, or "image" in
    // the user's cache folder when the program's folder cannot be written
    // (an installed program). Decided once per run.
    static QString cacheDirectory();
    // Tests only: another folder; empty goes back to the choice above.
    static void setCacheDirectory(const QString &directory);
    // The choice itself: preferred when it can be created and written,
    // otherwise the cache-folder one.
    static QString chooseCacheDirectory(const QString &preferred);
    // Empties the cache at once by moving its folder aside. Returns the
    // folders to delete: the one just moved and any an earlier run left.
    static QStringList retireCache();

signals:
    void GetImageDone(int &id_chanel, QString &s_file_name);

public slots:
    void downloadStart();
    void downloadFinsh(QString s_file, QString s_id_chanel);
    void downloadError(QString errorMessage);
    void fileIsReady(QNetworkReply *);

private:
    int id_chanel = 0;
};

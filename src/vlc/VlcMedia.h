#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

struct libvlc_media_t;
class VlcInstance;

// A media item made from a location (a URL). The media player keeps its own
// reference once the media is opened, so the item may go right after that.
class VlcMedia : public QObject {
    Q_OBJECT

public:
    VlcMedia(const QString &location, VlcInstance *instance, QObject *parent = nullptr);
    ~VlcMedia() override;

    bool isValid() const { return m_media != nullptr; }
    QString location() const { return m_location; }

    // Adds an input option for this media alone, as ":name=value" (the
    // engine-wide "--name=value" without its leading dashes, with a colon).
    void addOption(const QString &option);
    QStringList options() const { return m_options; }

    libvlc_media_t *core() const { return m_media; }

private:
    QString m_location;
    QStringList m_options;
    libvlc_media_t *m_media = nullptr;
};

#pragma once

#include <QObject>
#include <QString>

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
    libvlc_media_t *core() const { return m_media; }

private:
    QString m_location;
    libvlc_media_t *m_media = nullptr;
};

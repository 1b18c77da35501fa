#include "vlc/VlcMedia.h"

#include "vlc/VlcInstance.h"

#include <QDebug>

#include <vlc/vlc.h>

VlcMedia::VlcMedia(const QString &location, VlcInstance *instance, QObject *parent)
    : QObject(parent)
    , m_location(location) {
    if (!instance || !instance->isValid()) {
        qDebug() << "No engine to open" << location;
        return;
    }
    // libVLC accepts an empty location, never gets past opening it and then
    // crashes when the player stops.
    if (location.isEmpty()) {
        qDebug() << "No location to open";
        return;
    }
    m_media = libvlc_media_new_location(instance->core(), location.toUtf8().constData());
    if (!m_media) {
        const char *reason = libvlc_errmsg();
        qDebug() << "libVLC refused the location" << location << (reason ? reason : "");
    }
}

VlcMedia::~VlcMedia() {
    if (m_media)
        libvlc_media_release(m_media);
}

void VlcMedia::addOption(const QString &option) {
    if (!m_media)
        return;
    m_options << option;
    libvlc_media_add_option(m_media, option.toUtf8().constData());
}

#include "desktop/MprisPlayerAdaptor.h"

#include "desktop/MediaSession.h"

#include <QtGlobal>

MprisPlayerAdaptor::MprisPlayerAdaptor(MediaSession *session)
    : QDBusAbstractAdaptor(session)
    , m_session(session) {}

MprisPlayerAdaptor::~MprisPlayerAdaptor() = default;

QString MprisPlayerAdaptor::playbackStatus() const {
    return m_session->playbackStatus();
}

QVariantMap MprisPlayerAdaptor::metadata() const {
    return m_session->metadata();
}

double MprisPlayerAdaptor::volume() const {
    return m_session->volume();
}

void MprisPlayerAdaptor::setVolume(double volume) {
    // NaN compares false both ways and ends at 0 too.
    const double clamped = volume > 0.0 ? qMin(volume, 2.0) : 0.0;
    emit m_session->volumeRequested(clamped);
}

bool MprisPlayerAdaptor::canGoNext() const {
    return m_session->canGoNext();
}

bool MprisPlayerAdaptor::canGoPrevious() const {
    return m_session->canGoPrevious();
}

bool MprisPlayerAdaptor::canPlay() const {
    return m_session->canPlay();
}

void MprisPlayerAdaptor::Next() {
    emit m_session->nextRequested();
}

void MprisPlayerAdaptor::Previous() {
    emit m_session->previousRequested();
}

void MprisPlayerAdaptor::Pause() {
    emit m_session->pauseRequested();
}

void MprisPlayerAdaptor::PlayPause() {
    emit m_session->playPauseRequested();
}

void MprisPlayerAdaptor::Stop() {
    emit m_session->stopRequested();
}

void MprisPlayerAdaptor::Play() {
    emit m_session->playRequested();
}

void MprisPlayerAdaptor::Seek(qlonglong) {}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath &, qlonglong) {}

void MprisPlayerAdaptor::OpenUri(const QString &) {}

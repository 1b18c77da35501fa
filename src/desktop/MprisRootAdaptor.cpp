#include "desktop/MprisRootAdaptor.h"

#include "desktop/MediaSession.h"

MprisRootAdaptor::MprisRootAdaptor(MediaSession *session)
    : QDBusAbstractAdaptor(session)
    , m_session(session) {}

MprisRootAdaptor::~MprisRootAdaptor() = default;

QString MprisRootAdaptor::identity() const {
    return QStringLiteral("Vantero");
}

// The installed .desktop file's name, without ".desktop".
QString MprisRootAdaptor::desktopEntry() const {
    return QStringLiteral("example.vantero.Vantero");
}

void MprisRootAdaptor::Raise() {
    emit m_session->raiseRequested();
}

void MprisRootAdaptor::Quit() {
    emit m_session->quitRequested();
}

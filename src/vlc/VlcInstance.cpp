#include "vlc/VlcInstance.h"

#include <QDebug>

#include <vector>
#include <vlc/vlc.h>

namespace {
QStringList &extraArgumentList() {
    static QStringList list;
    return list;
}
} // namespace

VlcInstance::VlcInstance(const QStringList &arguments, QObject *parent)
    : QObject(parent)
    , m_arguments(arguments) {
    const QStringList all = arguments + extraArgumentList();
    std::vector<QByteArray> encoded;
    encoded.reserve(size_t(all.size()));
    for (const QString &argument : all)
        encoded.push_back(argument.toLocal8Bit());
    std::vector<const char *> argv;
    argv.reserve(encoded.size());
    for (const QByteArray &argument : encoded)
        argv.push_back(argument.constData());

    m_instance = libvlc_new(int(argv.size()), argv.data());
    if (!m_instance) {
        const char *reason = libvlc_errmsg();
        qDebug() << "libVLC could not start with" << all << (reason ? reason : "");
    }
}

VlcInstance::~VlcInstance() {
    // Players and media hold the engine; they must let go of it before it is
    // released, not after as QObject would order it.
    const QObjectList owned = children();
    qDeleteAll(owned);
    if (m_instance)
        libvlc_release(m_instance);
}

void VlcInstance::setExtraArguments(const QStringList &arguments) {
    extraArgumentList() = arguments;
}

QStringList VlcInstance::extraArguments() {
    return extraArgumentList();
}

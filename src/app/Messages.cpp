#include "app/Messages.h"

#include <QCoreApplication>

QString msg(const char *key) {
    return QCoreApplication::translate("", key);
}

QString msg(const QString &key) {
    return msg(key.toLatin1().constData());
}

#include "app/Messages.h"

#include <QCoreApplication>

QString msg(const char *key) { return QCoreApplication::translate("", key); }

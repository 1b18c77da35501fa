#include "service/DiskThreads.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

namespace DiskThreads {

QThreadPool *pool() {
    static QPointer<QThreadPool> threads;
    if (!threads) {
        threads = new QThreadPool(QCoreApplication::instance());
        threads->setMaxThreadCount(4);
    }
    return threads;
}

} // namespace DiskThreads

#include "app/AppFont.h"

#include "app/DataPaths.h"

#include <QFontDatabase>

QString applicationFontFamily(const QString &fileName) {
    static bool loaded = false;
    static QString family;
    if (!loaded) {
        loaded = true;
        const int id = QFontDatabase::addApplicationFont(DataPaths::dataDirectory() + fileName);
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (!families.isEmpty())
            family = families.first();
    }
    return family;
}

#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QVariant>

// A settings store of the test's own in a temporary folder, so that no test
// ever reads or writes the user's settings. Construct it before anything
// opens a QSettings; it also resets the process-wide state.
class ScopedSettings {
public:
    ScopedSettings();
    ~ScopedSettings();

    QString path() const { return m_dir.path(); }

    // Direct access to group "info" (or another group) of the test store.
    static void set(const QString &group, const QString &key, const QVariant &value);
    static QVariant get(const QString &group, const QString &key);
    static bool contains(const QString &group, const QString &key);
    static void clear();

private:
    QTemporaryDir m_dir;
};

#include "TestSupport.h"

#include "app/AppState.h"
#include "app/SettingsKeys.h"

#include <QSettings>

ScopedSettings::ScopedSettings()
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
    clear();
    appState().reset();
}

ScopedSettings::~ScopedSettings()
{
    clear();
    appState().reset();
}

void ScopedSettings::set(const QString &group, const QString &key, const QVariant &value)
{
    QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
    settings.beginGroup(group);
    settings.setValue(key, value);
    settings.endGroup();
}

QVariant ScopedSettings::get(const QString &group, const QString &key)
{
    QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
    settings.beginGroup(group);
    return settings.value(key);
}

bool ScopedSettings::contains(const QString &group, const QString &key)
{
    QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
    settings.beginGroup(group);
    return settings.contains(key);
}

void ScopedSettings::clear()
{
    QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
    settings.clear();
    settings.sync();
}

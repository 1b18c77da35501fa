#include "app/AppState.h"

#include "app/PageFlow.h"
#include "app/SettingsKeys.h"

#include <QSettings>
#include <QTranslator>

namespace {
AppState g_state;
}

AppState &appState() {
    return g_state;
}

void AppState::loadFromSettings() {
    QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
    settings.beginGroup(SettingsKeys::groupInfo);
    userName = settings.value(SettingsKeys::userName).toString();
    password = settings.value(SettingsKeys::userPassword).toString();
    deviceKey = settings.value(SettingsKeys::deviceKey).toString();
    deviceName = settings.value(SettingsKeys::deviceName).toString();
    playlistId = settings.value(SettingsKeys::playlistId).toInt();
    playlistName = settings.value(SettingsKeys::playlistName).toString();
    language = settings.value(SettingsKeys::lang).toString();
    onTop = settings.value(SettingsKeys::onTop).toBool();
    cacheSize = settings.value(SettingsKeys::cacheSize).toString();
    settings.endGroup();
}

void AppState::reset() {
    QTranslator *translator = appTranslator.data();
    *this = AppState();
    appTranslator = translator;
}

PageFlow *AppState::pageFlow() const {
    return dynamic_cast<PageFlow *>(mainWindow.data());
}

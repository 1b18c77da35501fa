#include "settings/DialogMainSettings.h"

#include "app/AppState.h"
#include "app/SlidingStackedWidget.h"

DialogMainSettings::DialogMainSettings(QWidget *parent, bool parentalRequest, bool parentalFlag)
    : QDialog(parent)
{
    Q_UNUSED(parentalRequest);
    Q_UNUSED(parentalFlag);
    appState().dialogCreated = true;
    appState().settingsDialog = this;
    setFixedSize(420, 580);
    m_stack = new SlidingStackedWidget(this);
    m_stack->setGeometry(0, 0, width(), height());
}

DialogMainSettings::~DialogMainSettings() = default;

void DialogMainSettings::showMenu() {}

void DialogMainSettings::showPlaylistPage() {}

void DialogMainSettings::showDirectLink(bool, const QString &) {}

void DialogMainSettings::showLanguagePage() {}

void DialogMainSettings::showParentPage() {}

void DialogMainSettings::showResetPage() {}

void DialogMainSettings::showNetworkPage() {}

void DialogMainSettings::showProfilePage() {}

void DialogMainSettings::reloadPlaylistPage() {}

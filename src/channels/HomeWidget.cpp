#include "channels/HomeWidget.h"

#include "app/AppState.h"

HomeWidget *homePage() { return appState().homeWidget.data(); }

HomeWidget::HomeWidget(QWidget *parent)
    : QWidget(parent)
{
    appState().homeWidget = this;
}

HomeWidget::~HomeWidget() = default;

void HomeWidget::start() {}

void HomeWidget::stop() {}

void HomeWidget::reload() {}

void HomeWidget::toggleFullScreen() {}

void HomeWidget::updatePlaylistName() {}

#include "account/registrydevicewidget.h"

registrydevicewidget::registrydevicewidget(QWidget *parent)
    : QWidget(parent) {}

registrydevicewidget::~registrydevicewidget() = default;

void registrydevicewidget::loadDevices() {}

#include "account/RegistryWidget.h"

RegistryWidget::RegistryWidget(QWidget *parent)
    : QWidget(parent) {}

RegistryWidget::~RegistryWidget() = default;

void RegistryWidget::start() {}

void RegistryWidget::setCountry(const QString &, const QString &) {}

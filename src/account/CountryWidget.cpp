#include "account/CountryWidget.h"

CountryWidget::CountryWidget(QWidget *parent)
    : QWidget(parent) {}

CountryWidget::~CountryWidget() = default;

void CountryWidget::fill() {}

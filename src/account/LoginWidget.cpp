#include "account/LoginWidget.h"

LoginWidget::LoginWidget(QWidget *parent)
    : QWidget(parent) {}

LoginWidget::~LoginWidget() = default;

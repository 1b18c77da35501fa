#include "account/VerificationCodeWidget.h"

VerificationCodeWidget::VerificationCodeWidget(QWidget *parent)
    : QWidget(parent) {}

VerificationCodeWidget::~VerificationCodeWidget() = default;

void VerificationCodeWidget::setData(const QString &, const QString &) {}

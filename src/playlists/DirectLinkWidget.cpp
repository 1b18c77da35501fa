#include "playlists/DirectLinkWidget.h"

DirectLinkWidget::DirectLinkWidget(QWidget *parent)
    : QWidget(parent) {}

DirectLinkWidget::~DirectLinkWidget() = default;

void DirectLinkWidget::setMode(bool, const QString &) {}

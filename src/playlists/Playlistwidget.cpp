#include "playlists/Playlistwidget.h"

Playlistwidget::Playlistwidget(QWidget *parent)
    : QWidget(parent) {}

Playlistwidget::~Playlistwidget() = default;

void Playlistwidget::loadPlaylists() {}

#pragma once

#include "vlc/Vlc.h"

#include <QObject>
#include <QPointer>

#include <vector>

struct libvlc_media_player_t;
struct libvlc_event_t;
class VlcAudio;
class VlcInstance;
class VlcMedia;
class VlcVideo;
class VlcWidgetVideo;

// Plays one media at a time on an instance (its parent). libVLC reports
// progress on its own threads; every report is re-emitted as a signal from
// the thread this object lives in, so receivers never run on an engine
// thread. Reports still queued when the player is destroyed are dropped.
class VlcMediaPlayer : public QObject {
    Q_OBJECT

public:
    explicit VlcMediaPlayer(VlcInstance *instance);
    ~VlcMediaPlayer() override;

    bool isValid() const { return m_player != nullptr; }
    libvlc_media_player_t *core() const { return m_player; }

    VlcAudio *audio() const { return m_audio; }
    VlcVideo *video() const { return m_video; }

    // Makes the media current and starts playing it.
    void open(VlcMedia *media);
    // Pauses when the current input allows it; otherwise does nothing, so a
    // stream that cannot pause is never stopped by a pause request.
    void pause();
    // Stops playback; returns once the input is gone.
    void stop();
    Vlc::State state() const;

    // The widget that shows the video; binding happens at once, so call it
    // before the first open. A player opened without one decodes video into
    // memory and shows nothing.
    void setVideoWidget(VlcWidgetVideo *widget);
    VlcWidgetVideo *videoWidget() const;

signals:
    void buffering(float buffer);
    void opening();
    void playing();
    void error();
    void stateChanged();
    void positionChanged(float position);
    void timeChanged(int time);

private:
    static void engineEvent(const libvlc_event_t *event, void *self);
    void deliver(int type, float value, qint64 time);

    libvlc_media_player_t *m_player = nullptr;
    std::vector<int> m_attached;
    VlcAudio *m_audio = nullptr;
    VlcVideo *m_video = nullptr;
    QPointer<VlcWidgetVideo> m_videoWidget;
    bool m_videoDiscarded = false;
};

#pragma once

#include "vlc/Vlc.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

struct libvlc_media_player_t;
struct libvlc_media_t;
struct libvlc_event_t;
class VlcAudio;
class VlcInstance;
class VlcMedia;
class VlcTracks;
class VlcVideo;
class VlcWidgetVideo;

// Plays one media at a time on an instance (its parent). libVLC reports
// progress on its own threads; every report is re-emitted as a signal from
// the thread this object lives in, so receivers never run on an engine
// thread. Reports still queued when the player is destroyed are dropped.
//
// Opening, stopping and pausing wait inside libVLC until the previous input
// has shut down, which can take a good part of a second. They are therefore
// carried out in order on a control thread of the player's own and return at
// once. A request that is overtaken by a newer open or stop before its turn
// comes is dropped unseen, so a burst of channel switches opens only the
// last channel. Every report is tagged with the request it belongs to, and
// reports of an overtaken request are dropped: after a switch, nothing the
// previous stream says reaches the receivers.
class VlcMediaPlayer : public QObject {
    Q_OBJECT

public:
    explicit VlcMediaPlayer(VlcInstance *instance);
    ~VlcMediaPlayer() override;

    bool isValid() const { return m_player != nullptr; }
    libvlc_media_player_t *core() const { return m_player; }

    VlcAudio *audio() const { return m_audio; }
    VlcVideo *video() const { return m_video; }
    VlcTracks *tracks() const { return m_tracks; }

    // Makes the media current and starts playing it (media options included).
    void open(VlcMedia *media);
    // Pauses when the current input allows it; otherwise does nothing, so a
    // stream that cannot pause is never stopped by a pause request.
    void pause();
    // Stops playback. A player that has never started an input, or whose
    // input is already stopped, keeps its audio output ready.
    void stop();
    // The state as the caller last asked for it (Opening after open, Stopped
    // after stop) until the engine's first report on that request arrives;
    // the engine's own state after that.
    Vlc::State state() const;
    // Whether the input now playing accepts a pause, as last reported.
    bool canPause() const { return m_canPause; }

    // The widget that shows the video; binding happens at once, so call it
    // before the first open. A player opened without one decodes video into
    // memory and shows nothing.
    void setVideoWidget(VlcWidgetVideo *widget);
    VlcWidgetVideo *videoWidget() const;

    // What the last open asked for: the location and the media options.
    QString openedLocation() const { return m_openedLocation; }
    QStringList openedOptions() const { return m_openedOptions; }

    // Counters for tests and the benchmark: reports dropped because they
    // belonged to an overtaken request, requests dropped before their turn,
    // opens carried out, and media the control thread still holds.
    int droppedReports() const { return m_droppedReports; }
    int skippedRequests() const { return m_skippedRequests.load(); }
    int executedOpens() const { return m_executedOpens.load(); }
    int heldMedia() const { return m_heldMedia.load(); }
    // True while requests wait or one is being carried out.
    bool isControlBusy() const;
    // Holds every player's control thread before its next request (tests
    // use it to prove that callers never wait for the engine).
    static void holdControl(bool hold);

signals:
    void buffering(float buffer);
    void opening();
    void playing();
    void paused();
    void error();
    void stateChanged();
    void positionChanged(float position);
    void timeChanged(int time);
    void pausableChanged(bool pausable);
    // The number of video outputs of the current input changed; the first
    // one comes with the first decoded picture.
    void videoOutput(int count);
    // The input announced, dropped or switched an audio, video or subtitle
    // track: what tracks() lists may have changed.
    void tracksChanged();
    // The engine refused to start playing what open() was given.
    void openFailed();

private:
    struct Request {
        enum Kind { Open, Stop, Pause } kind;
        int tag = 0;
        libvlc_media_t *media = nullptr;
    };

    static void engineEvent(const libvlc_event_t *event, void *self);
    void deliver(int type, float value, qint64 time, int tag);
    void finished(int tag, bool ok);
    void post(Request request);
    void controlLoop();
    void carryOut(const Request &request);
    void releaseMedia(libvlc_media_t *media);

    libvlc_media_player_t *m_player = nullptr;
    std::vector<int> m_attached;
    VlcAudio *m_audio = nullptr;
    VlcVideo *m_video = nullptr;
    VlcTracks *m_tracks = nullptr;
    QPointer<VlcWidgetVideo> m_videoWidget;
    bool m_videoDiscarded = false;

    // Caller's side (the player's own thread).
    int m_requested = 0; // tag of the newest open or stop
    bool m_expecting = false;
    Vlc::State m_expected = Vlc::Idle;
    bool m_canPause = false;
    int m_droppedReports = 0;
    QString m_openedLocation;
    QStringList m_openedOptions;

    // Control thread.
    std::thread m_control;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Request> m_queue;
    bool m_working = false;
    bool m_quit = false;
    bool m_started = false; // an input was started and not stopped since
    std::atomic<int> m_activeTag{0};
    std::atomic<int> m_skippedRequests{0};
    std::atomic<int> m_executedOpens{0};
    std::atomic<int> m_heldMedia{0};
};

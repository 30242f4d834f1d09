// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/pulsesoundplayer.h"

#include "platform/wavefile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>

#include <pulse/pulseaudio.h>

#include <chrono>
#include <deque>
#include <map>
#include <optional>

namespace {

// libpulse is loaded with the first sound, not with the program: the name
// prompt, the first thing a player sees, comes up without it and the dozen
// libraries it brings; a machine without it plays no sound, and nothing
// else changes.
#define QUIZZOLA_PULSE_FUNCTIONS(F) \
    F(pa_context_connect) \
    F(pa_context_disconnect) \
    F(pa_context_get_state) \
    F(pa_context_kill_sink_input) \
    F(pa_context_new_with_proplist) \
    F(pa_context_play_sample_with_proplist) \
    F(pa_context_set_state_callback) \
    F(pa_context_unref) \
    F(pa_mainloop_api_once) \
    F(pa_operation_unref) \
    F(pa_proplist_free) \
    F(pa_proplist_new) \
    F(pa_proplist_sets) \
    F(pa_sample_spec_valid) \
    F(pa_stream_connect_upload) \
    F(pa_stream_finish_upload) \
    F(pa_stream_get_state) \
    F(pa_stream_new_with_proplist) \
    F(pa_stream_set_state_callback) \
    F(pa_stream_unref) \
    F(pa_stream_write) \
    F(pa_threaded_mainloop_free) \
    F(pa_threaded_mainloop_get_api) \
    F(pa_threaded_mainloop_lock) \
    F(pa_threaded_mainloop_new) \
    F(pa_threaded_mainloop_set_name) \
    F(pa_threaded_mainloop_start) \
    F(pa_threaded_mainloop_stop) \
    F(pa_threaded_mainloop_unlock)

struct Pulse
{
#define QUIZZOLA_PULSE_POINTER(name) decltype(&::name) name = nullptr;
    QUIZZOLA_PULSE_FUNCTIONS(QUIZZOLA_PULSE_POINTER)
#undef QUIZZOLA_PULSE_POINTER
};

// The functions, once loaded; null until then, and when libpulse is missing.
const Pulse *pulse = nullptr;

// Loads libpulse once; false when it or one of its functions is missing.
bool loadPulse()
{
    static const bool loaded = [] {
        QLibrary library(QStringLiteral("pulse"), 0);
        if (!library.load())
            return false;
        static Pulse functions;
        bool all = true;
#define QUIZZOLA_PULSE_RESOLVE(name) \
    all = all && (functions.name = reinterpret_cast<decltype(&::name)>(library.resolve(#name)));
        QUIZZOLA_PULSE_FUNCTIONS(QUIZZOLA_PULSE_RESOLVE)
#undef QUIZZOLA_PULSE_RESOLVE
        if (all)
            pulse = &functions;
        return all;
    }();
    return loaded;
}

// One wave file as the server takes it. Its frames are held only while
// they are uploaded: then the server keeps them, and the player their name.
struct Sound
{
    pa_sample_spec spec{};
    QByteArray frames;
    // Its name in the server's sample cache: a digest of format and frames,
    // so that every copy of the game, and every run, uses the same entry.
    QByteArray name;
    unsigned uploadedTo = 0;     // the connection that holds it; 0 for none
    pa_stream *upload = nullptr; // its upload, while under way
};

// How long a connection may take to become ready before the next sound
// asked for starts a new one: a server that accepted the connection but
// never answers would otherwise keep the game silent for libpulse's own
// 30-second timeout.
constexpr std::chrono::seconds ConnectPatience{5};

} // namespace

// Everything that talks to libpulse. The game's thread calls only request()
// and the destructor; the rest runs in libpulse's thread (the threaded main
// loop), which holds the loop's lock around every callback. That lock
// guards every member: request() takes it just long enough to leave the
// file's path and schedule serve(), which never blocks.
class PulseSoundPlayer::Engine
{
public:
    // Starts libpulse's thread; ok() says whether it runs.
    Engine();
    ~Engine();
    bool ok() const { return m_loop != nullptr; }

    // Game thread: asks for `path` to be played, stopping the sound before.
    void request(const QString &path);

private:
    static void onRequest(pa_mainloop_api *, void *self);
    static void onContextState(pa_context *, void *self);
    static void onUploadState(pa_stream *stream, void *self);
    static void onPlaying(pa_context *, uint32_t index, void *self);

    void serve();
    bool connectionUsable() const;
    void connect();
    void disconnect();
    Sound *soundFor(const QString &path);
    bool read(Sound *sound, const QString &path);
    void startPending();
    void play(Sound *sound);
    void stop();
    void kill(uint32_t index);
    void endUpload(Sound *sound);

    pa_threaded_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    std::chrono::steady_clock::time_point m_connectStart;
    unsigned m_connections = 0; // connections made so far, naming the current one
    QString m_wanted;           // the file of the latest request
    quint64 m_requests = 0;     // requests made so far
    quint64 m_served = 0;       // the latest request serve() has handled
    QString m_pending;          // asked for, waiting for the connection or its upload
    // Requests whose play has been sent and whose sink input (the sound's
    // index on the server) has not been reported yet, oldest first: the
    // server answers in the order it was asked.
    std::deque<quint64> m_starting;
    uint32_t m_playing = PA_INVALID_INDEX; // the sink input of the latest request
    std::map<QString, std::unique_ptr<Sound>> m_sounds;
};

PulseSoundPlayer::Engine::Engine()
{
    m_loop = pulse->pa_threaded_mainloop_new();
    if (!m_loop)
        return;
    pulse->pa_threaded_mainloop_set_name(m_loop, "quizzola-sound");
    if (pulse->pa_threaded_mainloop_start(m_loop) < 0) {
        pulse->pa_threaded_mainloop_free(m_loop);
        m_loop = nullptr;
    }
}

PulseSoundPlayer::Engine::~Engine()
{
    if (!m_loop)
        return;
    pulse->pa_threaded_mainloop_lock(m_loop);
    // Disconnecting ends the uploads under way too (their state callbacks
    // release them) and cancels every answer still awaited; nothing waits
    // for the server.
    disconnect();
    pulse->pa_threaded_mainloop_unlock(m_loop);
    // Requests not served yet are dropped with the loop.
    pulse->pa_threaded_mainloop_stop(m_loop);
    pulse->pa_threaded_mainloop_free(m_loop);
}

void PulseSoundPlayer::Engine::request(const QString &path)
{
    pulse->pa_threaded_mainloop_lock(m_loop);
    m_wanted = path;
    ++m_requests;
    pulse->pa_mainloop_api_once(pulse->pa_threaded_mainloop_get_api(m_loop), &Engine::onRequest, this);
    pulse->pa_threaded_mainloop_unlock(m_loop);
}

void PulseSoundPlayer::Engine::onRequest(pa_mainloop_api *, void *self)
{
    static_cast<Engine *>(self)->serve();
}

void PulseSoundPlayer::Engine::serve()
{
    // Requests made in quick succession schedule one serve() each; the first
    // to run handles the latest, the others find nothing left to do.
    if (m_served == m_requests)
        return;
    m_served = m_requests;
    stop();
    // The file is read once the server is there to take it: without one it
    // is never read, and a missing or damaged file plays nothing then.
    if (!connectionUsable())
        connect();
    m_pending = m_wanted;
    if (m_context && pulse->pa_context_get_state(m_context) == PA_CONTEXT_READY)
        startPending();
}

bool PulseSoundPlayer::Engine::connectionUsable() const
{
    if (!m_context)
        return false;
    const pa_context_state_t state = pulse->pa_context_get_state(m_context);
    if (state == PA_CONTEXT_READY)
        return true;
    // Still connecting is fine, unless it has been going on for too long.
    return PA_CONTEXT_IS_GOOD(state)
        && std::chrono::steady_clock::now() - m_connectStart < ConnectPatience;
}

void PulseSoundPlayer::Engine::connect()
{
    disconnect();
    ++m_connections;
    pa_proplist *properties = pulse->pa_proplist_new();
    pulse->pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "Quizzola");
    pulse->pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, "org.example.Quizzola");
    pulse->pa_proplist_sets(properties, PA_PROP_APPLICATION_ICON_NAME, "org.example.Quizzola");
    // Reads the client configuration and, with an X display, its root window
    // properties: done here, in libpulse's thread, the game never waits on it.
    pa_mainloop_api *api = pulse->pa_threaded_mainloop_get_api(m_loop);
    m_context = pulse->pa_context_new_with_proplist(api, "Quizzola", properties);
    pulse->pa_proplist_free(properties);
    if (!m_context)
        return;
    m_connectStart = std::chrono::steady_clock::now();
    pulse->pa_context_set_state_callback(m_context, &Engine::onContextState, this);
    // Never start a server: without one the game stays silent. The attempt
    // goes on in this thread; a failure shows as the context's state.
    pulse->pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr);
}

void PulseSoundPlayer::Engine::disconnect()
{
    m_pending.clear();
    m_starting.clear();
    m_playing = PA_INVALID_INDEX;
    if (!m_context)
        return;
    pulse->pa_context_set_state_callback(m_context, nullptr, nullptr);
    pulse->pa_context_disconnect(m_context);
    pulse->pa_context_unref(m_context);
    m_context = nullptr;
}

void PulseSoundPlayer::Engine::onContextState(pa_context *context, void *self)
{
    auto *engine = static_cast<Engine *>(self);
    switch (pulse->pa_context_get_state(context)) {
    case PA_CONTEXT_READY:
        engine->startPending();
        break;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        // No server, or it went away: the sound asked for is dropped, and
        // the next request connects anew.
        engine->m_pending.clear();
        break;
    default:
        break;
    }
}

Sound *PulseSoundPlayer::Engine::soundFor(const QString &path)
{
    std::unique_ptr<Sound> &entry = m_sounds[path];
    if (!entry)
        entry = std::make_unique<Sound>();
    Sound *sound = entry.get();
    // On this connection's server, or on its way there: the file is not
    // needed. Otherwise it is read anew, as it may have changed or been
    // mended since.
    if (sound->uploadedTo == m_connections || sound->upload || read(sound, path))
        return sound;
    return nullptr;
}

bool PulseSoundPlayer::Engine::read(Sound *sound, const QString &path)
{
    // Only a regular file: opening a pipe or a device could wait forever.
    if (!QFileInfo(path).isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const std::optional<Wave::Pcm> pcm = Wave::parse(file.read(Wave::MaxFileSize + 1));
    if (!pcm)
        return false;
    pa_sample_spec spec{};
    spec.format = pcm->bitsPerSample == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
    spec.rate = pcm->rate;
    spec.channels = uint8_t(pcm->channels);
    if (!pulse->pa_sample_spec_valid(&spec))
        return false;
    QCryptographicHash digest(QCryptographicHash::Sha256);
    digest.addData(QByteArray::number(pcm->bitsPerSample) + ' ' + QByteArray::number(pcm->channels) + ' '
                   + QByteArray::number(pcm->rate) + ' ');
    digest.addData(pcm->frames);
    sound->spec = spec;
    sound->frames = pcm->frames;
    sound->name = "quizzola-" + digest.result().toHex().left(16);
    return true;
}

void PulseSoundPlayer::Engine::startPending()
{
    if (m_pending.isEmpty())
        return;
    Sound *sound = soundFor(m_pending);
    if (!sound) {
        m_pending.clear();
        return;
    }
    if (sound->uploadedTo == m_connections) {
        m_pending.clear();
        play(sound);
        return;
    }
    if (sound->upload)
        return; // under way: onUploadState() plays it
    pa_proplist *properties = pulse->pa_proplist_new();
    pulse->pa_proplist_sets(properties, PA_PROP_MEDIA_ROLE, "event");
    sound->upload =
        pulse->pa_stream_new_with_proplist(m_context, sound->name.constData(), &sound->spec, nullptr, properties);
    pulse->pa_proplist_free(properties);
    if (!sound->upload) {
        m_pending.clear();
        sound->frames.clear();
        return;
    }
    pulse->pa_stream_set_state_callback(sound->upload, &Engine::onUploadState, this);
    if (pulse->pa_stream_connect_upload(sound->upload, size_t(sound->frames.size())) < 0) {
        m_pending.clear();
        endUpload(sound);
    }
}

void PulseSoundPlayer::Engine::onUploadState(pa_stream *stream, void *self)
{
    auto *engine = static_cast<Engine *>(self);
    Sound *sound = nullptr;
    QString path;
    for (const auto &entry : engine->m_sounds) {
        if (entry.second->upload == stream) {
            sound = entry.second.get();
            path = entry.first;
        }
    }
    if (!sound)
        return;
    switch (pulse->pa_stream_get_state(stream)) {
    case PA_STREAM_READY:
        // The whole file at once (libpulse copies it), then the sample is
        // complete. The server handles requests in order, so the play sent
        // right after finds it stored.
        pulse->pa_stream_write(stream, sound->frames.constData(), size_t(sound->frames.size()), nullptr, 0,
                               PA_SEEK_RELATIVE);
        pulse->pa_stream_finish_upload(stream);
        sound->uploadedTo = engine->m_connections;
        sound->frames.clear();
        if (engine->m_pending == path)
            engine->startPending();
        break;
    case PA_STREAM_FAILED:
        // Refused, or the connection went: uploaded anew when asked for again.
        sound->uploadedTo = 0;
        if (engine->m_pending == path)
            engine->m_pending.clear();
        engine->endUpload(sound);
        break;
    case PA_STREAM_TERMINATED: // stored on the server
        engine->endUpload(sound);
        break;
    default:
        break;
    }
}

void PulseSoundPlayer::Engine::endUpload(Sound *sound)
{
    pulse->pa_stream_set_state_callback(sound->upload, nullptr, nullptr);
    pulse->pa_stream_unref(sound->upload);
    sound->upload = nullptr;
    sound->frames.clear();
}

void PulseSoundPlayer::Engine::play(Sound *sound)
{
    pa_operation *operation = pulse->pa_context_play_sample_with_proplist(
        m_context, sound->name.constData(), nullptr, PA_VOLUME_NORM, nullptr, &Engine::onPlaying, this);
    if (!operation)
        return;
    pulse->pa_operation_unref(operation);
    m_starting.push_back(m_served);
}

void PulseSoundPlayer::Engine::onPlaying(pa_context *, uint32_t index, void *self)
{
    auto *engine = static_cast<Engine *>(self);
    if (engine->m_starting.empty())
        return;
    const quint64 request = engine->m_starting.front();
    engine->m_starting.pop_front();
    if (index == PA_INVALID_INDEX)
        return; // not played: the sample was refused or is gone
    // A sound whose request has been overtaken by a newer one while it
    // started is stopped as soon as it can be named.
    if (request == engine->m_served)
        engine->m_playing = index;
    else
        engine->kill(index);
}

void PulseSoundPlayer::Engine::stop()
{
    m_pending.clear();
    if (m_playing != PA_INVALID_INDEX)
        kill(m_playing);
    m_playing = PA_INVALID_INDEX;
}

void PulseSoundPlayer::Engine::kill(uint32_t index)
{
    // A sound that has already ended makes the server answer with an error,
    // which nothing waits for: indexes are not reused.
    if (!m_context || pulse->pa_context_get_state(m_context) != PA_CONTEXT_READY)
        return;
    if (pa_operation *operation = pulse->pa_context_kill_sink_input(m_context, index, nullptr, nullptr))
        pulse->pa_operation_unref(operation);
}

PulseSoundPlayer::PulseSoundPlayer() = default;

PulseSoundPlayer::~PulseSoundPlayer() = default;

void PulseSoundPlayer::playWave(const QString &file)
{
    if (!m_engine && !m_engineFailed) {
        if (!loadPulse()) {
            m_engineFailed = true;
            return;
        }
        m_engine = std::make_unique<Engine>();
        if (!m_engine->ok()) {
            // libpulse could not start its thread (out of memory or threads):
            // silent for good rather than trying at every answer.
            m_engine.reset();
            m_engineFailed = true;
        }
    }
    if (m_engine)
        m_engine->request(QDir::cleanPath(file));
}

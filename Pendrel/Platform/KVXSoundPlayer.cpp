#include "Pendrel/Platform/KVXSoundPlayer.h"

#include <gst/gst.h>

#include <algorithm>
#include <mutex>

#include "Pendrel/Platform/KVXText.h"

namespace {

// Play waits for the start event by event. It gives up on an output that
// stalls (no message on the bus for this long: a hung audio device), and in
// any case after the second limit, but never on a start that is slow yet
// moving, as on a busy machine where loading the decoders takes long.
constexpr gint64 kStartStallLimitUs = 10 * G_USEC_PER_SEC;
constexpr gint64 kStartLimitUs = 120 * G_USEC_PER_SEC;
// playbin's "flags": audio only.
constexpr guint kPlayAudioOnly = 0x2;

bool InitGStreamer() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] {
        GError* error = nullptr;
        ready = gst_init_check(nullptr, nullptr, &error) != FALSE;
        if (error) g_error_free(error);
    });
    return ready;
}

std::string Utf8(const wchar_t* text) { return KVXToQString(text ? text : L"").toStdString(); }

// playbin with the audio output of a pipeline description.
class CGStreamerSoundPlayer : public CKVXSoundPlayer {
public:
    explicit CGStreamerSoundPlayer(const CBasicString& sinkDescription) : m_sinkDescription(sinkDescription) {}
    ~CGStreamerSoundPlayer() override { Stop(); }

    int Play(const wchar_t* path) override {
        Stop();
        if (!path || !*path || !InitGStreamer()) return 0;
        GError* error = nullptr;
        gchar* uri = gst_filename_to_uri(Utf8(path).c_str(), &error);
        if (error) g_error_free(error);
        if (!uri) return 0;
        m_playbin = gst_element_factory_make("playbin", nullptr);
        GstElement* sink = MakeSink();
        if (!m_playbin || !sink) {
            if (sink) gst_object_unref(sink);
            g_free(uri);
            Stop();
            return 0;
        }
        g_object_set(m_playbin, "uri", uri, "audio-sink", sink, "flags", kPlayAudioOnly, nullptr);
        g_free(uri);
        const GstStateChangeReturn change = gst_element_set_state(m_playbin, GST_STATE_PLAYING);
        if (change == GST_STATE_CHANGE_FAILURE) {
            Stop();
            return 0;
        }
        const BusState bus = change == GST_STATE_CHANGE_ASYNC ? AwaitStart() : PollBus();
        if (bus == BUS_FAILED || (bus == BUS_RUNNING && !ReachesPlaying())) {
            Stop();
            return 0;
        }
        // A short sound into a fast output may have ended already.
        if (bus == BUS_ENDED) Stop();
        return 1;
    }

    void Stop() override {
        if (!m_playbin) return;
        gst_element_set_state(m_playbin, GST_STATE_NULL);
        gst_object_unref(m_playbin);
        m_playbin = nullptr;
    }

    bool IsPlaying() override {
        if (!m_playbin) return false;
        if (PollBus() == BUS_RUNNING) return true;
        Stop();
        return false;
    }

private:
    GstElement* MakeSink() const {
        if (m_sinkDescription.IsEmpty()) return gst_element_factory_make("autoaudiosink", nullptr);
        GError* error = nullptr;
        GstElement* sink = gst_parse_bin_from_description(Utf8(m_sinkDescription.GetString()).c_str(), TRUE, &error);
        if (error) {
            g_error_free(error);
            if (sink) gst_object_unref(sink);
            return nullptr;
        }
        return sink;
    }

    enum BusState { BUS_RUNNING, BUS_ENDED, BUS_FAILED };

    // Once prerolled, the rest of the way to playing needs no data.
    bool ReachesPlaying() const {
        const GstStateChangeReturn playing =
            gst_element_get_state(m_playbin, nullptr, nullptr, kStartStallLimitUs * GST_USECOND);
        return playing != GST_STATE_CHANGE_FAILURE && playing != GST_STATE_CHANGE_ASYNC;
    }

    // Waits until the output has taken the first sound (the pipeline's
    // preroll is done: BUS_RUNNING), the sound has ended or playing failed.
    // Every message on the bus shows the start moving on; a stall or the
    // overall limit counts as a failure.
    BusState AwaitStart() const {
        GstBus* bus = gst_element_get_bus(m_playbin);
        const gint64 giveUp = g_get_monotonic_time() + kStartLimitUs;
        BusState state = BUS_FAILED;
        for (;;) {
            const gint64 left = std::min(kStartStallLimitUs, giveUp - g_get_monotonic_time());
            GstMessage* message = left > 0 ? gst_bus_timed_pop(bus, left * GST_USECOND) : nullptr;
            if (!message) break;
            const GstMessageType type = GST_MESSAGE_TYPE(message);
            const bool decided = type == GST_MESSAGE_ERROR || type == GST_MESSAGE_EOS ||
                                 (type == GST_MESSAGE_ASYNC_DONE && GST_MESSAGE_SRC(message) == GST_OBJECT(m_playbin));
            if (decided) state = type == GST_MESSAGE_ERROR ? BUS_FAILED : type == GST_MESSAGE_EOS ? BUS_ENDED : BUS_RUNNING;
            gst_message_unref(message);
            if (decided) break;
        }
        gst_object_unref(bus);
        // An end or error queued right behind the preroll counts at once.
        return state == BUS_RUNNING ? PollBus() : state;
    }

    // Takes the end and error messages off the bus (popping a kind drops
    // the messages of other kinds before it, so both are taken together).
    BusState PollBus() const {
        GstBus* bus = gst_element_get_bus(m_playbin);
        BusState state = BUS_RUNNING;
        while (GstMessage* message =
                   gst_bus_pop_filtered(bus, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR))) {
            if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR)
                state = BUS_FAILED;
            else if (state == BUS_RUNNING)
                state = BUS_ENDED;
            gst_message_unref(message);
        }
        gst_object_unref(bus);
        return state;
    }

    CBasicString m_sinkDescription;
    GstElement* m_playbin = nullptr;
};

std::mutex g_factoryLock;
KVXSoundPlayerFactory g_factory;

} // namespace

CKVXSoundPlayer::~CKVXSoundPlayer() = default;

std::unique_ptr<CKVXSoundPlayer> KVXCreateGStreamerSoundPlayer(const CBasicString& sinkDescription) {
    return std::make_unique<CGStreamerSoundPlayer>(sinkDescription);
}

std::unique_ptr<CKVXSoundPlayer> KVXCreateSoundPlayer() {
    KVXSoundPlayerFactory factory;
    {
        std::lock_guard<std::mutex> lock(g_factoryLock);
        factory = g_factory;
    }
    if (factory) return factory();
    return KVXCreateGStreamerSoundPlayer(CBasicString());
}

void KVXSetSoundPlayerFactory(KVXSoundPlayerFactory factory) {
    std::lock_guard<std::mutex> lock(g_factoryLock);
    g_factory = std::move(factory);
}

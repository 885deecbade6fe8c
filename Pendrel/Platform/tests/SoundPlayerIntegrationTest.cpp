// The GStreamer sound player against GStreamer itself: a short MP3 made by
// GStreamer's encoder plays through the player into a WAV file, whose
// length must be the sound's.

#include <gtest/gtest.h>
#include <gst/gst.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "Pendrel/Platform/KVXSoundPlayer.h"
#include "testing/TempFolder.h"

namespace {

constexpr double kSoundSeconds = 1.0;

CBasicString Wide(const std::string& text) { return CBasicString(std::wstring(text.begin(), text.end()).c_str()); }

// Runs a pipeline to its end; false on an error or after a minute.
bool RunPipeline(const std::string& description) {
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
    if (error) {
        ADD_FAILURE() << error->message;
        g_error_free(error);
        if (pipeline) gst_object_unref(pipeline);
        return false;
    }
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message = gst_bus_timed_pop_filtered(bus, 60 * GST_SECOND,
                                                     static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool ended = message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
    if (message) gst_message_unref(message);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return ended;
}

uint32_t Le32(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
    return value;
}

// The length in seconds of a WAV file: its data size over its byte rate;
// -1 when it is no WAV file.
double WavSeconds(const std::string& bytes) {
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) return -1;
    uint32_t byteRate = 0;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const std::string id = bytes.substr(at, 4);
        const uint32_t size = Le32(bytes, at + 4);
        if (id == "fmt " && at + 16 <= bytes.size()) byteRate = Le32(bytes, at + 8 + 8);
        if (id == "data") return byteRate ? static_cast<double>(size) / byteRate : -1;
        at += 8 + size + (size & 1);
    }
    return -1;
}

class SoundPlayerIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gst_init_check(nullptr, nullptr, nullptr));
        m_mp3 = m_folder.Sub("sound.mp3");
        // 100 buffers of 441 samples at 44.1 kHz: one second of a tone.
        ASSERT_TRUE(RunPipeline("audiotestsrc num-buffers=100 samplesperbuffer=441 ! "
                                "audio/x-raw,rate=44100,channels=1 ! audioconvert ! lamemp3enc ! "
                                "filesink location=\"" +
                                m_mp3 + "\""));
    }

    kvxtest::TempFolder m_folder;
    std::string m_mp3;
};

} // namespace

TEST_F(SoundPlayerIntegrationTest, AnMp3PlaysWholeIntoTheOutput) {
    const std::string wav = m_folder.Sub("played.wav");
    auto player = KVXCreateGStreamerSoundPlayer(Wide("wavenc ! filesink location=\"" + wav + "\""));
    ASSERT_EQ(player->Play(Wide(m_mp3).GetString()), 1);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (player->IsPlaying() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(player->IsPlaying());
    const double seconds = WavSeconds(kvxtest::TempFolder::ReadFile(wav));
    // The encoder's padding may add a frame or two at either end.
    EXPECT_NEAR(seconds, kSoundSeconds, 0.1);

    // Playing again replaces the output; Stop ends at once.
    ASSERT_EQ(player->Play(Wide(m_mp3).GetString()), 1);
    player->Stop();
    EXPECT_FALSE(player->IsPlaying());
}

TEST_F(SoundPlayerIntegrationTest, AnOutputThatFailsOrAFileThatCannotPlayAnswerZero) {
    auto refused = KVXCreateGStreamerSoundPlayer(Wide("wavenc ! filesink location=\"" +
                                                      m_folder.Sub("no-such-folder/played.wav") + "\""));
    EXPECT_EQ(refused->Play(Wide(m_mp3).GetString()), 0);
    EXPECT_FALSE(refused->IsPlaying());

    const std::string text = m_folder.WriteFile("not-a-sound.mp3", "plain text, not a sound at all");
    const std::string wav = m_folder.Sub("played.wav");
    auto player = KVXCreateGStreamerSoundPlayer(Wide("wavenc ! filesink location=\"" + wav + "\""));
    EXPECT_EQ(player->Play(Wide(text).GetString()), 0);
    EXPECT_EQ(player->Play(Wide(m_folder.Sub("missing.mp3")).GetString()), 0);
    EXPECT_EQ(player->Play(L""), 0);

    auto broken = KVXCreateGStreamerSoundPlayer(L"no-such-element ! fakesink");
    EXPECT_EQ(broken->Play(Wide(m_mp3).GetString()), 0);
}

TEST(SoundPlayerFactoryTest, TheFactoryStandsInForThePlayerUntilItIsCleared) {
    class Silent : public CKVXSoundPlayer {
    public:
        int Play(const wchar_t*) override { return 7; }
        void Stop() override {}
        bool IsPlaying() override { return false; }
    };
    KVXSetSoundPlayerFactory([] { return std::make_unique<Silent>(); });
    EXPECT_EQ(KVXCreateSoundPlayer()->Play(L"x"), 7);
    KVXSetSoundPlayerFactory({});
    EXPECT_EQ(KVXCreateSoundPlayer()->Play(L""), 0);
}

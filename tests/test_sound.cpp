// Wave sounds: the end notice, stop and close, refused files, every kind of wave, and exit while playing.
// The behaviour tests run on the null sink and, where the machine has one, on the ALSA device.
#include <sndfile.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "display_support.h"
#include "oxw.h"
#include "platform/mci.h"

namespace {

using Clock = std::chrono::steady_clock;

// A silent wave of `frames` 8 kHz frames.
std::string write_wave(const oxtest::TempDir &dir, const std::string &name, int format, int frames, int channels = 1) {
    const std::string path = dir.file(name);
    SF_INFO info{0, 8000, channels, format, 0, 0};
    SNDFILE *sf = sf_open(path.c_str(), SFM_WRITE, &info);
    EXPECT_NE(sf, nullptr) << name << ": " << sf_strerror(nullptr);
    const std::vector<short> silence(static_cast<std::size_t>(frames * channels));
    sf_writef_short(sf, silence.data(), frames);
    sf_close(sf);
    return path;
}

// A copy of the file's first `keep` bytes.
std::string cut_copy(const std::string &path, uintmax_t keep) {
    const std::string cut = path + "." + std::to_string(keep);
    std::filesystem::copy_file(path, cut);
    std::filesystem::resize_file(cut, keep);
    return cut;
}

std::size_t task_count() {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/task"), {}));
}

// The next end notice for `window`, waited for up to five seconds; its wParam, or 0 when none came.
uintptr_t take_notice(OxwWindow window, uint32_t *device) {
    OxwMessage msg{};
    for (const auto until = Clock::now() + std::chrono::seconds(5); Clock::now() < until;) {
        if (oxwHostPeekMessage(&msg, window, OXW_MM_MCINOTIFY, OXW_MM_MCINOTIFY, 1)) {
            *device = static_cast<uint32_t>(msg.lParam);
            return msg.wParam;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return 0;
}

class Sound : public testing::TestWithParam<int32_t> {
protected:
    void SetUp() override {
        if (!oxwHostSetSoundOutput(GetParam(), nullptr)) GTEST_SKIP() << "no ALSA playback device here";
    }
    void TearDown() override {
        EXPECT_EQ(ox::platform::mci_open_device_count(), 0u);
        EXPECT_EQ(task_count(), tasks_);  // no player thread left behind
        EXPECT_EQ(oxwHostPeekMessage(nullptr, 0, 0, 0, 0), 0);  // no stray notice
        oxwHostSetSoundOutput(OXW_SOUND_OUTPUT_AUTO, nullptr);
    }

    oxtest::TempDir dir_;
    const oxtest::Window window_{0, 0, 8, 8};
    const std::size_t tasks_ = task_count();
};

TEST_P(Sound, PlaysToItsEndAndNotifiesOnce) {
    const std::string path = write_wave(dir_, "quarter.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2000);
    const auto start = Clock::now();
    const uint32_t id = oxwPlayWaveMCI(window_, path.c_str());
    ASSERT_NE(id, 0u);
    uint32_t ended = 0;
    EXPECT_EQ(take_notice(window_, &ended), OXW_MCI_NOTIFY_SUCCESSFUL);
    EXPECT_EQ(ended, id);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(250));  // taken at the pace of a device
    EXPECT_EQ(oxwStopWaveMCI(id), 0u);                                 // still open after the end
    EXPECT_EQ(oxwCloseMCIDevice(id), 0u);
    for (const uint32_t stale : {id, 0u, id + 1000}) {
        EXPECT_EQ(oxwStopWaveMCI(stale), OXW_MCIERR_INVALID_DEVICE_ID);
        EXPECT_EQ(oxwCloseMCIDevice(stale), OXW_MCIERR_INVALID_DEVICE_ID);
    }
}

// Stop and close each end a long play at once, with one aborted notice posted before they return.
TEST_P(Sound, StopAndCloseCutSoundsShort) {
    const std::string path = write_wave(dir_, "minute.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000 * 60);
    const uint32_t stopped = oxwPlayWaveMCI(window_, path.c_str()), closed = oxwPlayWaveMCI(window_, path.c_str());
    ASSERT_TRUE(stopped && closed && stopped != closed);
    EXPECT_EQ(oxwStopWaveMCI(stopped), 0u);
    EXPECT_EQ(oxwCloseMCIDevice(closed), 0u);
    for (const uint32_t id : {stopped, closed}) {
        OxwMessage msg{};
        ASSERT_TRUE(oxwHostPeekMessage(&msg, window_, 0, 0, 1));
        EXPECT_TRUE(msg.message == OXW_MM_MCINOTIFY && msg.wParam == OXW_MCI_NOTIFY_ABORTED && msg.lParam == id);
    }
    EXPECT_EQ(oxwStopWaveMCI(stopped), 0u);
    EXPECT_EQ(oxwCloseMCIDevice(stopped), 0u);
}

INSTANTIATE_TEST_SUITE_P(Outputs, Sound, testing::Values(OXW_SOUND_OUTPUT_NULL, OXW_SOUND_OUTPUT_ALSA),
                         [](const auto &p) { return p.param == OXW_SOUND_OUTPUT_NULL ? "null" : "alsa"; });

// The ALSA sink on any machine: ALSA's "null" device takes samples without a clock.
TEST(SoundOutput, AlsaNullDeviceAndRefusedSettings) {
    EXPECT_EQ(oxwHostSetSoundOutput(3, nullptr), 0);
    EXPECT_EQ(oxwHostSetSoundOutput(OXW_SOUND_OUTPUT_ALSA, "no-such-device"), 0);
    ASSERT_EQ(oxwHostSetSoundOutput(OXW_SOUND_OUTPUT_ALSA, "null"), 1);
    oxtest::TempDir dir;
    const oxtest::Window window(0, 0, 8, 8);
    const std::string path = write_wave(dir, "s.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 9000, 2);
    const uint32_t id = oxwPlayWaveMCI(window, path.c_str());
    uint32_t ended = 0;
    EXPECT_EQ(take_notice(window, &ended), OXW_MCI_NOTIFY_SUCCESSFUL);
    EXPECT_EQ(ended, id);
    EXPECT_EQ(oxwCloseMCIDevice(id), 0u);
    oxwHostSetSoundOutput(OXW_SOUND_OUTPUT_AUTO, nullptr);
}

// Every kind plays; the same file without its last 600 bytes (a few per cent of the sound, more than a
// block of the block-coded kinds) does not, as each kind's declared length is checked. Files that are no
// waves are refused too, and no refusal leaves a device or a thread behind.
TEST(SoundFiles, EveryKindPlaysAndCutOrForeignFilesAreRefused) {
    oxtest::TempDir dir;
    const std::size_t tasks = task_count();
    const int formats[] = {
        SF_FORMAT_WAV | SF_FORMAT_PCM_16,   SF_FORMAT_WAV | SF_FORMAT_PCM_U8,    SF_FORMAT_WAV | SF_FORMAT_PCM_24,
        SF_FORMAT_WAV | SF_FORMAT_PCM_32,   SF_FORMAT_WAV | SF_FORMAT_FLOAT,     SF_FORMAT_WAV | SF_FORMAT_DOUBLE,
        SF_FORMAT_WAV | SF_FORMAT_ULAW,     SF_FORMAT_WAV | SF_FORMAT_ALAW,      SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM,
        SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM, SF_FORMAT_WAV | SF_FORMAT_GSM610,    SF_FORMAT_WAVEX | SF_FORMAT_PCM_16,
        SF_FORMAT_WAV | SF_FORMAT_PCM_24 | SF_ENDIAN_BIG,  // RIFX
    };
    std::vector<std::string> refused;
    for (const int format : formats) {
        const std::string path = write_wave(dir, std::to_string(format) + ".wav", format, 4000);
        const uint32_t id = oxwPlayWaveMCI(0, path.c_str());
        EXPECT_NE(id, 0u) << std::hex << format;
        EXPECT_EQ(oxwCloseMCIDevice(id), 0u);
        refused.push_back(cut_copy(path, std::filesystem::file_size(path) - 600));
    }
    const std::string wave = dir.file(std::to_string(formats[0]) + ".wav");
    ASSERT_EQ(mkfifo(dir.file("pipe.wav").c_str(), 0600), 0);
    std::ofstream(dir.file("text.wav")) << "RIFF, in words only\n";
    refused.insert(refused.end(), {
        dir.file("missing.wav"), dir.path().string(), dir.file("pipe.wav"), dir.file("text.wav"),
        cut_copy(wave, 30), cut_copy(wave, 0),
        write_wave(dir, "other.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 100),  // not a wave container
        write_wave(dir, "big.rf64", SF_FORMAT_RF64 | SF_FORMAT_PCM_16, 100),
    });
    for (const std::string &path : refused) EXPECT_EQ(oxwPlayWaveMCI(0, path.c_str()), 0u) << path;
    EXPECT_EQ(oxwPlayWaveMCI(0, nullptr), 0u);
    EXPECT_EQ(ox::platform::mci_open_device_count(), 0u);
    EXPECT_EQ(task_count(), tasks);
}

// Exit while sounds play: each play thread is stopped and joined before the message queue goes away.
TEST(SoundExit, ExitWhilePlaying) {
    oxtest::TempDir dir;
    const std::string path = write_wave(dir, "minute.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000 * 60);
    EXPECT_EXIT(
        {
            oxwHostSetSoundOutput(OXW_SOUND_OUTPUT_NULL, nullptr);
            const OxwWindow window = oxwHostCreateWindow(0, 0, 0, 8, 8, 0);
            for (int i = 0; i < 3; ++i) oxwPlayWaveMCI(window, path.c_str());
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace

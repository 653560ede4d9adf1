// Wave devices in one table under a lock. A playing device has a thread that decodes its file into a sink
// and posts the end notice; stopping requests the end and joins the thread, so no thread outlives a stop,
// a close or the process's exit.
#include "platform/mci.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/messages.h"
#include "platform/sound_sink.h"
#include "platform/wave_file.h"

namespace ox::platform {
namespace {

constexpr std::size_t kChunkFrames = 1024;

class Device {
public:
    Device(uint32_t id, std::unique_ptr<WaveFile> file) : id_(id), file_(std::move(file)) {}
    ~Device() { stop(true); }
    Device(const Device &) = delete;
    Device &operator=(const Device &) = delete;

    uint32_t play(OxwWindow notify) {
        std::lock_guard<std::mutex> g(mutex_);
        if (played_) return kMciErrUnsupportedFunction;
        auto sink = open_sound_sink(file_->channels(), file_->rate());
        if (!sink) return kMciErrHardware;
        std::vector<int16_t> buffer(kChunkFrames * static_cast<std::size_t>(file_->channels()));
        thread_ = std::thread(&Device::run, this, std::move(sink), std::move(buffer), notify);
        played_ = true;
        return 0;
    }

    // A quiet stop (at exit) posts no notice.
    void stop(bool quiet = false) {
        std::lock_guard<std::mutex> g(mutex_);
        if (!thread_.joinable()) return;
        quiet_ = quiet;
        stop_.request();
        thread_.join();
    }

private:
    void run(std::unique_ptr<SoundSink> sink, std::vector<int16_t> buffer, OxwWindow notify) {
        uintptr_t how = OXW_MCI_NOTIFY_SUCCESSFUL;
        for (;;) {
            if (stop_.requested()) {
                how = OXW_MCI_NOTIFY_ABORTED;
                break;
            }
            const long n = file_->read(buffer.data(), kChunkFrames);
            if (n < 0 || (n > 0 && !sink->write(buffer.data(), static_cast<std::size_t>(n), stop_))) {
                how = OXW_MCI_NOTIFY_FAILURE;
                break;
            }
            if (n == 0) {
                if (!sink->drain()) how = OXW_MCI_NOTIFY_FAILURE;
                break;
            }
        }
        sink.reset();  // the output is free before anyone hears of the end
        if (notify != 0 && !(how == OXW_MCI_NOTIFY_ABORTED && quiet_)) {
            post_message(notify, OXW_MM_MCINOTIFY, how, static_cast<intptr_t>(id_));
        }
    }

    const uint32_t id_;
    const std::unique_ptr<WaveFile> file_;  // read only by the play thread while it runs
    std::mutex mutex_;                      // orders play and stop; guards thread_ and played_
    std::thread thread_;
    bool played_ = false;
    StopSignal stop_;
    std::atomic<bool> quiet_{false};
};

struct DeviceTable {
    // The message queue is built first so that it is destroyed after this table, whose destruction at exit
    // stops the plays that may still post into it.
    DeviceTable() { queued_message_count(0); }

    std::mutex mutex;
    std::map<uint32_t, std::shared_ptr<Device>> devices;
    uint32_t last_id = 0;  // ids count up and are not reused before they wrap, so a stale id finds nothing
};

DeviceTable &table() {
    static DeviceTable t;
    return t;
}

std::shared_ptr<Device> find_device(uint32_t id) {
    DeviceTable &t = table();
    std::lock_guard<std::mutex> g(t.mutex);
    const auto it = t.devices.find(id);
    return it == t.devices.end() ? nullptr : it->second;
}

}  // namespace

uint32_t mci_open_wave(const char *path, uint32_t *device) {
    *device = 0;
    try {
        uint32_t why = 0;
        auto file = open_wave_file(path, &why);
        if (!file) return why;
        DeviceTable &t = table();
        std::lock_guard<std::mutex> g(t.mutex);
        do {
            ++t.last_id;
        } while (t.last_id == 0 || t.devices.count(t.last_id) != 0);
        t.devices.emplace(t.last_id, std::make_shared<Device>(t.last_id, std::move(file)));
        *device = t.last_id;
        return 0;
    } catch (const std::bad_alloc &) {
        return kMciErrOutOfMemory;
    }
}

uint32_t mci_play(uint32_t device, OxwWindow notify) {
    const auto d = find_device(device);
    if (!d) return OXW_MCIERR_INVALID_DEVICE_ID;
    try {
        return d->play(notify);
    } catch (const std::bad_alloc &) {
        return kMciErrOutOfMemory;
    } catch (const std::system_error &) {  // no thread to be had
        return kMciErrOutOfMemory;
    }
}

uint32_t mci_stop(uint32_t device) {
    const auto d = find_device(device);
    if (!d) return OXW_MCIERR_INVALID_DEVICE_ID;
    d->stop();
    return 0;
}

uint32_t mci_close(uint32_t device) {
    std::shared_ptr<Device> d;
    {
        DeviceTable &t = table();
        std::lock_guard<std::mutex> g(t.mutex);
        const auto it = t.devices.find(device);
        if (it == t.devices.end()) return OXW_MCIERR_INVALID_DEVICE_ID;
        d = std::move(it->second);
        t.devices.erase(it);
    }
    d->stop();  // outside the table's lock: other devices stay usable while this one winds down
    return 0;
}

std::size_t mci_open_device_count() {
    DeviceTable &t = table();
    std::lock_guard<std::mutex> g(t.mutex);
    return t.devices.size();
}

}  // namespace ox::platform

// The window system as the display's tests and benchmark see it: calls go to a
// log (when one is given), the surface is a plain buffer with a guard band
// around it, so that a write outside the surface is seen.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "display/display.h"
#include "platform/fake/fake_platform.h"

namespace lumora::fake {

inline const char* TimerName(DisplayTimer timer) {
    switch (timer) {
    case DisplayTimer::FileMusicWatch: return "file music watch";
    case DisplayTimer::CdWatch: return "CD watch";
    case DisplayTimer::Frame: return "frame";
    case DisplayTimer::RadiantJump: return "radiant jump";
    case DisplayTimer::MusicDeadline: return "music deadline";
    }
    return "?";
}

class StubDisplayHost final : public DisplayHost {
public:
    static constexpr int kGuard = 16;
    static constexpr std::uint32_t kGuardValue = 0xDEADBEEF;

    explicit StubDisplayHost(FakePlatform* log = nullptr) : log_(log) {}

    ScreenMetrics metrics = ScreenMetrics::Single(1024, 768);
    std::vector<Rect> presented; // the areas of the last Present
    std::int32_t passwordAnswer = 1;
    // Runs the next window event waiting for the program: false when none was.
    std::function<bool()> waitingEvent;
    bool ended = false;
    std::vector<std::uint32_t> buffer;
    int width = 0;
    int height = 0;

    ScreenMetrics Screen() override { return metrics; }
    void PlaceWindow(int left, int top, int w, int h) override {
        Log("PlaceWindow(" + std::to_string(left) + ", " + std::to_string(top) + ", " +
            std::to_string(w) + ", " + std::to_string(h) + ")");
    }
    PixelView SizeSurface(int w, int h) override {
        Log("SizeSurface(" + std::to_string(w) + ", " + std::to_string(h) + ")");
        width = w;
        height = h;
        if (w <= 0 || h <= 0) {
            buffer.clear();
            return {};
        }
        const int stride = w + 2 * kGuard;
        buffer.assign(static_cast<std::size_t>(stride) * static_cast<std::size_t>(h + 2 * kGuard), kGuardValue);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) At(x, y) = 0;
        return PixelView{&At(0, 0), w, h, stride};
    }
    void Show() override { Log("Show"); }
    std::int32_t MakeTopmost() override {
        Log("MakeTopmost");
        return 1;
    }
    void EnableTimer(DisplayTimer timer, bool enabled) override {
        Log(std::string("Timer ") + TimerName(timer) + (enabled ? " on" : " off"));
    }
    void Present(const std::vector<Rect>& areas) override {
        Log("Present");
        presented = areas;
    }
    bool RunWaitingEvent() override {
        Log("WaitingEvent");
        return waitingEvent && waitingEvent();
    }
    std::int32_t VerifyPassword() override {
        Log("VerifyScreenSavePwd");
        return passwordAnswer;
    }
    // The music's thread: its work waits until a test lets it run
    // (RunBackground), so that a test can act while it is under way; with
    // runAtOnce it runs as it is given.
    void RunOnMusicThread(std::function<void()> work, std::function<void()> done) override {
        background.push_back({std::move(work), std::move(done)});
        if (runAtOnce) RunBackground();
    }
    // Runs the waiting work in its order, and then (unless the window is to hear
    // nothing of it yet) what each hands back to the window.
    void RunBackground(bool deliver = true, std::size_t pieces = SIZE_MAX) {
        for (; pieces > 0 && !background.empty(); --pieces) {
            auto [work, done] = std::move(background.front());
            background.erase(background.begin());
            work();
            if (deliver)
                done();
            else
                undelivered.push_back(std::move(done));
        }
    }
    void Deliver() {
        auto dones = std::move(undelivered);
        undelivered.clear();
        for (auto& done : dones) done();
    }
    // A stuck thread never finishes; a working one finishes what it was given,
    // as far as the wait lasts with each MCI command taking the drive's time.
    bool WaitForMusicThread(int milliseconds) override {
        Log("WaitForMusicThread(" + std::to_string(milliseconds) + ")");
        if (musicThreadStuck) return false;
        const long long until = Busy() + milliseconds;
        while (!background.empty() && Busy() < until) RunBackground(false, 1);
        return waitFinished = background.empty() && Busy() <= until;
    }
    bool waitFinished = false;
    void DropWaitingMusicWork() override {
        Log("DropWaitingMusicWork");
        background.clear();
    }
    bool runAtOnce = false;
    bool musicThreadStuck = false;
    std::vector<std::pair<std::function<void()>, std::function<void()>>> background;
    std::vector<std::function<void()>> undelivered;

    void Close() override { Log("Close"); }
    void EndProcess() override {
        Log("End");
        ended = true;
    }

    std::uint32_t& At(int x, int y) {
        const int stride = width + 2 * kGuard;
        return buffer[static_cast<std::size_t>((y + kGuard) * stride + x + kGuard)];
    }
    // Nothing outside the surface was written.
    bool GuardIntact() const {
        std::size_t inside = 0;
        for (std::uint32_t pixel : buffer) inside += pixel != kGuardValue;
        return inside <= static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    }

private:
    long long Busy() const { return log_ != nullptr ? log_->mci.busyMs : 0; }
    void Log(std::string line) {
        if (log_ != nullptr) log_->Log(std::move(line));
    }

    FakePlatform* log_;
};

} // namespace lumora::fake

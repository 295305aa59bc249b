// The window system as the saver session's tests see it: its calls go to the
// fake platform's log, its music thread runs only when a test lets it, and its
// events wait until a test lets them come.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "display/saver_session.h"
#include "tests/support/fake_platform.h"

namespace lumora::fake {

inline const char* TimerName(SessionTimer timer) {
    switch (timer) {
    case SessionTimer::FileMusicWatch: return "file music watch";
    case SessionTimer::CdWatch: return "CD watch";
    case SessionTimer::MusicDeadline: return "music deadline";
    }
    return "?";
}

// The window system, the session's timers and the music's thread in one.
class RecordingSessionHost final : public SessionHost, public SessionTimers, public MusicQueue {
public:
    explicit RecordingSessionHost(FakePlatform& log) : log_(log) {}

    MusicPlayer* player = nullptr; // what the music's work is done with

    std::int32_t passwordAnswer = 1;
    // Runs the next window event waiting for the program: false when none was.
    std::function<bool()> waitingEvent;
    bool closed = false;
    bool ended = false;
    // The music's thread: its work waits until a test lets it run
    // (RunBackground), so that a test can act while it is under way; with
    // runAtOnce it runs as it is given. A stuck thread never finishes.
    bool runAtOnce = false;
    bool musicThreadStuck = false;
    bool waitFinished = false; // the last wait saw the thread through its work in time
    std::vector<std::pair<std::function<void()>, std::function<void()>>> background;
    std::vector<std::function<void()>> undelivered;

    void EnableTimer(SessionTimer timer, bool enabled) override {
        log_.Log(std::string("Timer ") + TimerName(timer) + (enabled ? " on" : " off"));
    }
    bool RunWaitingEvent() override {
        log_.Log("WaitingEvent");
        return waitingEvent && waitingEvent();
    }
    std::int32_t VerifyPassword() override {
        log_.Log("VerifyScreenSavePwd");
        return passwordAnswer;
    }
    void Post(std::function<void(MusicPlayer&)> work, std::function<void()> done) override {
        background.push_back({[this, work = std::move(work)] { work(*player); }, std::move(done)});
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
    // A working thread finishes what it was given as far as the wait lasts,
    // each MCI command taking the drive's time to answer.
    bool WaitIdle(int milliseconds) override {
        log_.Log("WaitForMusicThread(" + std::to_string(milliseconds) + ")");
        if (musicThreadStuck) return false;
        const long long until = log_.mci.busyMs + milliseconds;
        while (!background.empty() && log_.mci.busyMs < until) RunBackground(false, 1);
        return waitFinished = background.empty() && log_.mci.busyMs <= until;
    }
    void DropWaiting() override {
        log_.Log("DropWaitingMusicWork");
        background.clear();
    }
    void Close() override {
        log_.Log("Close");
        closed = true;
    }
    void End() override {
        log_.Log("End");
        ended = true;
    }

private:
    FakePlatform& log_;
};

} // namespace lumora::fake

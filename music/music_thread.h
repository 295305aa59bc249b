// The music's own thread. Every call of the player may wait on the file system
// or a device, so they are all made there, one at a time, and never hold up the
// window; what the session does with their results runs back on its own thread.
#pragma once

#include <functional>
#include <memory>

#include "music/music_player.h"
#include "music/worker.h"

namespace lumora {

// The music's thread as the session uses it.
class MusicQueue {
public:
    virtual ~MusicQueue() = default;
    // Runs `work` with the player on the music's thread, after the pieces given
    // before it; `done` then runs on the owner's thread when it delivers, and is
    // dropped when the owner has gone by then.
    virtual void Post(std::function<void(MusicPlayer&)> work, std::function<void()> done) = 0;
    // Waits at most this long for the thread to finish what it was given; true
    // when it did.
    virtual bool WaitIdle(int milliseconds) = 0;
    // Drops the work given but not yet begun; the piece under way finishes.
    virtual void DropWaiting() = 0;
};

class MusicThread final : public MusicQueue {
public:
    // `wake` runs on the music's thread when results wait; it only tells the
    // owner's thread (a window message, a counter its loop polls), which then
    // calls Deliver.
    MusicThread(std::unique_ptr<MusicPlayer> player, std::function<void()> wake);
    // The end, in this order: the work not yet begun is dropped; an idle thread
    // is joined, and the player destroyed on it, where its devices were opened;
    // a thread still held by a device is left behind with the player it is
    // using, which it destroys once that call has returned. The player is never
    // destroyed under a call.
    ~MusicThread();
    MusicThread(const MusicThread&) = delete;
    MusicThread& operator=(const MusicThread&) = delete;

    void Post(std::function<void(MusicPlayer&)> work, std::function<void()> done) override;
    bool WaitIdle(int milliseconds) override { return worker_.WaitIdle(milliseconds); }
    void DropWaiting() override { worker_.DropWaiting(); }
    // Runs the results of the work finished so far, here.
    void Deliver() { worker_.Deliver(); }

private:
    // Shared with every piece of work and with the thread's end, which holds
    // the last reference once this object has let go of its own.
    std::shared_ptr<MusicPlayer> player_;
    Worker worker_;
};

} // namespace lumora

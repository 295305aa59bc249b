#include "music/music_thread.h"

#include <utility>

namespace lumora {

MusicThread::MusicThread(std::unique_ptr<MusicPlayer> player, std::function<void()> wake)
    : player_(std::move(player)),
      worker_(std::move(wake), [last = player_]() mutable { last.reset(); }) {}

MusicThread::~MusicThread() {
    // Before the worker ends: the player's last owners are then the thread's
    // end and the piece of work under way, whichever finishes last.
    player_.reset();
}

void MusicThread::Post(std::function<void(MusicPlayer&)> work, std::function<void()> done) {
    worker_.Post([player = player_, work = std::move(work)] { work(*player); }, std::move(done));
}

} // namespace lumora

#include "linux/wayland/buffer_history.h"

#include <gtest/gtest.h>

#include <vector>

namespace lumora::wayland {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

bool Covers(const std::vector<Rect>& region, const Rect& box) {
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x) {
            bool in = false;
            for (const Rect& r : region) in = in || (x >= r.left && x < r.right && y >= r.top && y < r.bottom);
            if (!in) return false;
        }
    return true;
}

bool Touches(const std::vector<Rect>& region, const Rect& box) {
    for (const Rect& r : region)
        if (r.left < box.right && box.left < r.right && r.top < box.bottom && box.top < r.bottom) return true;
    return false;
}

// Three frames, each with a change of its own far from the others', drawn
// into buffers in turn as a compositor lets go of them: each buffer gets what
// it missed and this frame's change, and only this frame's is damaged.
TEST(BufferHistoryTest, EachBufferCatchesUpOnTheFramesItMissedAndOnlyNewChangesAreDamaged) {
    const Rect boxes[] = {{10, 10, 13, 13}, {300, 200, 303, 203}, {600, 440, 603, 443}, {100, 400, 103, 403}};
    const Rect whole{0, 0, kWidth, kHeight};
    BufferHistory history;
    history.Reset(kWidth, kHeight);
    EXPECT_TRUE(history.Pending()); // a new surface is drawn whole
    EXPECT_EQ(history.ToCopy(0), std::vector<Rect>{whole});
    EXPECT_EQ(history.ToDamage(), std::vector<Rect>{whole});
    history.Shown(0);
    EXPECT_FALSE(history.Pending());

    struct Case {
        int buffer;
        std::vector<int> copied;    // the boxes it must receive
        std::vector<int> notCopied; // boxes it holds already
        bool wholeCopy;             // never drawn: everything
    };
    const Case cases[] = {
        {1, {0}, {}, true},   // frame 1, box 0, into a buffer never drawn
        {0, {0, 1}, {}, false}, // frame 2, box 1: buffer 0 missed frame 1
        {1, {1, 2}, {0}, false}, // frame 3, box 2: buffer 1 holds frame 1
    };
    int frame = 0;
    for (const Case& c : cases) {
        history.Add(boxes[frame]);
        const std::vector<Rect> copied = history.ToCopy(c.buffer);
        const std::vector<Rect> damaged = history.ToDamage();
        if (c.wholeCopy) {
            EXPECT_EQ(copied, std::vector<Rect>{whole}) << frame;
        }
        for (int box : c.copied) EXPECT_TRUE(Covers(copied, boxes[box])) << frame << " " << box;
        for (int box : c.notCopied) EXPECT_FALSE(Touches(copied, boxes[box])) << frame << " " << box;
        EXPECT_TRUE(Covers(damaged, boxes[frame])) << frame;
        for (int earlier = 0; earlier < frame; ++earlier) EXPECT_FALSE(Touches(damaged, boxes[earlier])) << frame;
        history.Shown(c.buffer);
        ++frame;
    }
    // Buffer 2, never drawn, and buffer 0 once it has missed more frames than are kept: everything.
    history.Add(boxes[3]);
    EXPECT_EQ(history.ToCopy(2), std::vector<Rect>{whole});
    for (int skipped = 0; skipped < BufferHistory::kMostBuffers + 1; ++skipped) {
        history.Add(boxes[3]);
        history.ToCopy(1);
        history.Shown(1);
    }
    history.Add(boxes[3]);
    EXPECT_EQ(history.ToCopy(0), std::vector<Rect>{whole});
}

TEST(BufferHistoryTest, AFrameOfMoreBoxesThanKeptIsTakenWhole) {
    BufferHistory history;
    history.Reset(kWidth, kHeight);
    history.ToCopy(0);
    history.Shown(0);
    for (int i = 0; i < 20000; ++i) history.Add({i % kWidth, 5, i % kWidth + 1, 6});
    EXPECT_EQ(history.ToDamage(), (std::vector<Rect>{{0, 0, kWidth, kHeight}}));
}

} // namespace
} // namespace lumora::wayland

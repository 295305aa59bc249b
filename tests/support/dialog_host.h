// The settings dialog's window as its tests and benchmark see it: what it
// shows (marks, enabled controls, texts, the focus, the Earth's pixels) and
// the calls that ask the system something, in order.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "dialog/dialog.h"

namespace lumora::fake {

inline std::string Text(const Rect& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom) + ")";
}

class RecordingDialogHost final : public DialogHost {
public:
    // The calls that show something or ask the system, in order; off for a
    // benchmark's millions of ticks.
    std::vector<std::string> calls;
    bool logging = true;
    // The Earth's retained image and its frames, in memory.
    std::vector<std::uint32_t> earth = std::vector<std::uint32_t>(188 * 85, 0);
    std::vector<std::vector<std::uint32_t>> earthFrames =
        std::vector<std::vector<std::uint32_t>>(SettingsDialog::kFrames, std::vector<std::uint32_t>(180 * 85, 0));
    bool marks[3] = {};
    bool repeatEnabled = true;
    bool fileEnabled = true;
    std::string repeatText;
    std::vector<std::string> entries;
    std::string fileCaption;
    std::int32_t cursorResult = 1;
    std::int32_t cursorX = 300;
    std::int32_t cursorY = 200;
    OpenFileAnswer openAnswer;

    void PlaceWindow(int w, int h) override {
        calls.push_back("Place(" + std::to_string(w) + "," + std::to_string(h) + ")");
    }
    void SetMark(int index, bool on) override { marks[index] = on; }
    void EnableRepeat(bool enabled) override { repeatEnabled = enabled; }
    void EnableFileButton(bool enabled) override { fileEnabled = enabled; }
    void SetRepeatText(const std::string& text) override { repeatText = text; }
    std::string RepeatText() override { return repeatText; }
    void AddRepeatEntry(const std::string& text) override { entries.push_back(text); }
    void SetFileCaption(const std::string& text) override { fileCaption = text; }
    Control focused = Control::Link;
    void Focus(Control control) override { focused = control; }
    std::set<Control> hands; // the parts that show the hand pointer
    bool animating = false;
    void GiveHandPointer(Control control) override {
        hands.insert(control);
        calls.push_back("Hand(" + std::to_string(static_cast<int>(control)) + ")");
    }
    std::int32_t GetCursorPos(std::int32_t& x, std::int32_t& y) override {
        calls.push_back("GetCursorPos");
        if (cursorResult != 0) {
            x = cursorX;
            y = cursorY;
        }
        return cursorResult;
    }
    Rect WindowRect() override { return {278, 172, 745, 422}; }
    void DrawAnimatedRects(const Rect& from, const Rect& to) override {
        calls.push_back("Zoom" + Text(from) + "->" + Text(to));
    }
    void EnableTimer(bool enabled) override {
        animating = enabled;
        calls.push_back(enabled ? "Animation on" : "Animation off");
    }
    void ClearEarth() override {
        Log("ClearEarth");
        std::fill(earth.begin(), earth.end(), 0u);
    }
    std::int32_t PaintEarthFrame(int frame) override {
        Log("Frame" + std::to_string(frame));
        const std::vector<std::uint32_t>& source = earthFrames[static_cast<std::size_t>(frame)];
        for (std::size_t y = 0; y < 85; ++y)
            for (std::size_t x = 0; x < 180; ++x) earth[y * 188 + x] |= source[y * 180 + x];
        return 1;
    }
    void RefreshEarth() override { Log("Refresh"); }
    OpenFileAnswer OpenFile(const std::vector<FileFilter>& filters, const std::string& title) override {
        std::string kinds;
        for (const FileFilter& filter : filters) kinds += filter.description + "|" + filter.patterns + "|";
        calls.push_back("OpenFile(" + kinds + title + ")");
        if (whileChoosing) whileChoosing(); // the chooser's loop runs the dialog's events
        return openAnswer;
    }
    std::function<void()> whileChoosing;
    void SetScreenPointer(bool hourglass) override { calls.push_back(hourglass ? "Hourglass" : "Default"); }
    void OpenDocument(const std::string& address) override { calls.push_back("Open " + address); }
    void ShowMessage(const std::string& text) override { calls.push_back("Message: " + text); }
    // Background work waits until a test runs it.
    std::vector<std::pair<std::function<void()>, std::function<void()>>> background;
    void RunInBackground(std::function<void()> work, std::function<void()> done) override {
        background.emplace_back(std::move(work), std::move(done));
    }
    void RunBackground() {
        for (auto& [work, done] : background) {
            work();
            done();
        }
        background.clear();
    }
    void Close() override { calls.push_back("Close"); }

private:
    void Log(std::string line) {
        if (logging) calls.push_back(std::move(line));
    }
};

} // namespace lumora::fake

#include "tests/support/fake_platform.h"

#include <algorithm>

#include "text/text.h"

namespace lumora::fake {
namespace {

bool SameName(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

std::string Quote(const std::string& text) { return "\"" + text + "\""; }

} // namespace

platform::Platform FakePlatform::Seams() {
    return platform::Platform{*this, *this, *this, *this, *this, *this, *this, mci, *this};
}

std::string* FakePlatform::Slot(const std::string& path, const std::string& section,
                                const std::string& key, bool create) {
    auto file = profiles.find(path);
    if (file == profiles.end()) {
        if (!create) return nullptr;
        file = profiles.emplace(path, decltype(profiles)::mapped_type{}).first;
    }
    auto& sections = file->second;
    auto s = std::find_if(sections.begin(), sections.end(),
                          [&](const auto& entry) { return SameName(entry.first, section); });
    if (s == sections.end()) {
        if (!create) return nullptr;
        sections.push_back({section, {}});
        s = sections.end() - 1;
    }
    auto& keys = s->second;
    auto k = std::find_if(keys.begin(), keys.end(),
                          [&](const auto& entry) { return SameName(entry.first, key); });
    if (k == keys.end()) {
        if (!create) return nullptr;
        keys.push_back({key, ""});
        k = keys.end() - 1;
    }
    return &k->second;
}

void FakePlatform::Put(const std::string& path, const std::string& section, const std::string& key,
                       const std::string& value) {
    *Slot(path, section, key, true) = value;
}

const std::string* FakePlatform::Find(const std::string& path, const std::string& section,
                                      const std::string& key) const {
    return const_cast<FakePlatform*>(this)->Slot(path, section, key, false);
}

bool FakePlatform::TopLevelWindowExists(const std::string& title) {
    Log("FindWindow(" + Quote(title) + ")");
    return windowTitles.count(title) != 0;
}

int FakePlatform::Show(bool show) {
    Log(std::string("ShowCursor(") + (show ? "TRUE" : "FALSE") + ")");
    cursorCount += show ? 1 : -1;
    return cursorCount;
}

platform::VersionAnswer FakePlatform::QueryVersion() {
    Log("GetVersionEx(148)");
    return version;
}

void FakePlatform::SetScreenSaverRunning(std::uint32_t param) {
    Log("SystemParametersInfo(97, " + std::to_string(param) + ", NULL, 0)");
    runningFlag = param;
}

void FakePlatform::ChangePassword(const std::string& registryKey, platform::WindowHandle owner,
                                  std::uint32_t reserved1, std::uint32_t reserved2) {
    Log("PwdChangePassword(" + Quote(registryKey) + ", " + std::to_string(owner) + ", " +
        std::to_string(reserved1) + ", " + std::to_string(reserved2) + ")");
}

std::string FakePlatform::Read(const std::string& section, const std::string& key,
                               const std::string& path, std::size_t bufferBytes, platform::ProfileText) {
    Log("GetPrivateProfileString(" + Quote(section) + ", " + Quote(key) + ", " +
        std::to_string(bufferBytes) + ", " + Quote(path) + ")");
    const std::string* value = Find(path, section, key);
    if (value == nullptr || bufferBytes == 0) return "";
    // The fake measures the buffer in UTF-8 bytes and, like the platform, never
    // hands back half a character.
    std::size_t cut = std::min(value->size(), bufferBytes - 1);
    if (cut < value->size())
        while (cut > 0 && IsContinuation((*value)[cut])) --cut;
    return value->substr(0, cut);
}

std::int32_t FakePlatform::Write(const std::string& section, const std::string& key,
                                 const std::string& value, const std::string& path,
                                 platform::ProfileText text) {
    Log("WritePrivateProfileString(" + Quote(section) + ", " + Quote(key) + ", " + Quote(value) +
        ", " + Quote(path) + ")");
    if (!Writable(path)) return 0;
    if (writeResult == 0) {
        lastError_ = 1; // a failure the fake does not name
        return 0;
    }
    if (diskFull) {
        profiles.emplace(path, decltype(profiles)::mapped_type{}); // the file is made, empty
        return writeResult;
    }
    *Slot(path, section, key, true) = text == platform::ProfileText::Ansi ? ansiSpelling(value) : value;
    return writeResult;
}

bool FakePlatform::Writable(const std::string& path) {
    const std::size_t slash = path.find_last_of('\\');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash);
    if (readOnly.count(path) == 0 && readOnly.count(folder) == 0) return true;
    lastError_ = 5; // access denied
    return false;
}

bool FakePlatform::Exists(const std::string& path) { return Has(path); }

bool FakePlatform::MakeFolder(const std::string& path) {
    if (folders.count(path) != 0) return true;
    Log("MakeFolder(" + Quote(path) + ")");
    if (!Writable(path)) return false;
    folders.insert(path);
    return true;
}

bool FakePlatform::Copy(const std::string& from, const std::string& to) {
    Log("Copy(" + Quote(from) + ", " + Quote(to) + ")");
    if (!Has(from)) {
        lastError_ = 2; // not found
        return false;
    }
    if (!Writable(to)) return false;
    profiles[to] = profiles[from];
    if (unicodeFiles.count(from) != 0) unicodeFiles.insert(to);
    return true;
}

bool FakePlatform::WriteNew(const std::string& path, const std::string& bytes) {
    Log("WriteNew(" + Quote(path) + ")");
    if (!Writable(path)) return false;
    profiles[path] = {};
    if (bytes == "\xFF\xFE") unicodeFiles.insert(path);
    return true;
}

bool FakePlatform::Flush(const std::string& path) {
    Log("Flush(" + Quote(path) + ")");
    lastError_ = !Has(path) ? 2 : flushFails ? 112 : 0;
    return lastError_ == 0;
}

bool FakePlatform::Replace(const std::string& from, const std::string& to) {
    Log("Replace(" + Quote(from) + ", " + Quote(to) + ")");
    if (!Has(from)) {
        lastError_ = 2;
        return false;
    }
    if (!Writable(to)) return false;
    profiles[to] = profiles[from];
    profiles.erase(from);
    if (unicodeFiles.erase(from) != 0) unicodeFiles.insert(to);
    return true;
}

void FakePlatform::Remove(const std::string& path) {
    if (!Has(path)) return;
    Log("Remove(" + Quote(path) + ")");
    profiles.erase(path);
    unicodeFiles.erase(path);
}

std::string FakePlatform::DescribeError(platform::ErrorCode code) {
    return code == 5 ? "アクセスが拒否されました。" : "error " + std::to_string(code);
}

std::string FakePlatform::FolderOf(platform::KnownFolder folder) {
    return folder == platform::KnownFolder::RoamingAppData ? roamingAppData : localAppData;
}

bool FakePlatform::ClaimSingleInstance() {
    Log("ClaimSingleInstance");
    return instanceFree;
}

bool FakePlatform::CanOpenForReading(const std::string& path) {
    Log("OpenForReading(" + Quote(path) + ")");
    return readableFiles.count(path) != 0;
}

std::string FakePlatform::CommandLine() { return commandLine; }

std::string FakePlatform::ProgramFolder() { return programFolder; }

std::int32_t FakePlatform::WaveOutDevices() {
    Log("waveOutGetNumDevs");
    if (whileWaking) whileWaking();
    return waveDevices;
}

bool FakePlatform::Play(const std::string& file, const platform::SoundRequest& request) {
    Log("PlaySound(" + Quote(file) + (request.loop ? ", looped" : "") +
        (request.silentIfUnplayable ? ", no default" : "") + ")");
    return true;
}

void FakePlatform::Stop() { Log("PlaySound(NULL)"); }

std::uint32_t FakePlatform::TickCount() {
    Log("GetTickCount");
    return tickCount++;
}

double FakePlatform::SecondsSinceMidnight() {
    Log("TimeOfDay");
    return secondsSinceMidnight;
}

} // namespace lumora::fake

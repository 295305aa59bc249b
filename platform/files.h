// Files as the settings' saving uses them: checked, copied, written through
// and put in place in one step, with the system's reason when that fails.
#pragma once

#include <cstdint>
#include <string>

namespace lumora::platform {

// The system's code of the last failure, 0 when there was none.
using ErrorCode = std::uint32_t;

class Files {
public:
    virtual ~Files() = default;
    // The path names a file (not a folder) that can be opened for reading now.
    virtual bool CanOpenForReading(const std::string& path) = 0;
    // A file (not a folder) is there, whatever may be done with it.
    virtual bool Exists(const std::string& path) = 0;
    // The folder is there afterwards (made when missing; its parent must exist).
    virtual bool MakeFolder(const std::string& path) = 0;
    // Copies a file over another, which may exist; the copy is writable.
    virtual bool Copy(const std::string& from, const std::string& to) = 0;
    // Makes a new file holding exactly these bytes, replacing one that exists.
    virtual bool WriteNew(const std::string& path, const std::string& bytes) = 0;
    // Has the file's contents written through to the disk (not only handed to
    // the system's cache), so that they survive a power cut.
    virtual bool Flush(const std::string& path) = 0;
    // Puts `from` in the place of `to` in one step.
    virtual bool Replace(const std::string& from, const std::string& to) = 0;
    virtual void Remove(const std::string& path) = 0;
    // Why the last of the calls above, or the last profile write, failed.
    virtual ErrorCode LastError() = 0;
    // The system's own words for a failure, in the user's language.
    virtual std::string DescribeError(ErrorCode code) = 0;
};

} // namespace lumora::platform

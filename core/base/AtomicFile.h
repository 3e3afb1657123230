#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace dustlyn {

// A replacement of a file written in steps, for a writer that wants the disk busy before it
// has its last bytes: created exclusively beside the target, written, and put in place by
// commit() as writeFileAtomically below does. Dropped without a commit, the temporary file is
// removed and the target stays as it was.
class AtomicFile {
public:
    // FileError with the system's message when the temporary file cannot be created.
    explicit AtomicFile(const std::filesystem::path& target);
    AtomicFile(AtomicFile&& other) noexcept;
    AtomicFile& operator=(AtomicFile&&) = delete;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile();

    void write(std::string_view bytes);
    // Has the system start writing what was written so far, without waiting for it: the
    // commit then waits only for what is still on its way.
    void startFlush() const;
    // Waits until what was written so far is on the disk, so that commit() has little left to
    // wait for. FileError on failure, the temporary file then removed.
    void flush();
    // Flushes, closes (its result checked) and renames over the target, then flushes the
    // folder. FileError on failure, the temporary file removed and the target left alone.
    void commit();

private:
    void discard();

    std::filesystem::path target_;
    std::string temporary_;
    int fd_ = -1;
};

// Replaces `target` with `bytes` so that a reader, a crash or a full disk never leaves it
// empty or half written: a temporary file created exclusively beside the target is written
// whole, flushed to disk, closed (its result checked) and renamed over the target, and the
// folder is flushed so the rename itself survives a power cut. On any failure the
// temporary file is removed, the old file stays, and FileError carries the system's message.
void writeFileAtomically(const std::filesystem::path& target, std::string_view bytes);
// The same with the content given as pieces written one after another.
void writeFileAtomically(const std::filesystem::path& target,
                         std::span<const std::string_view> pieces);

// The whole file, or nothing when it cannot be read.
std::optional<std::string> readWholeFile(const std::filesystem::path& path);

// mkdir -p; FileError with the system's message on failure. An existing folder is fine.
void createDirectories(const std::filesystem::path& folder);

// fsync of a folder, so that entries created or renamed in it are on disk.
void syncDirectory(const std::filesystem::path& folder);

} // namespace dustlyn

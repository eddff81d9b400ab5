// File services of the core.  Names are UTF-8 everywhere; the Windows backend
// converts them to UTF-16 and uses the wide API, so every name works.  Every
// failure the system reports raises EInOutError with the table's error
// number (the system's own number on Windows; errno mapped on POSIX).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace rt {

class File {
public:
    File() noexcept = default;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();  // closes without reporting

    // An existing file, for reading and writing, shared for both with others.
    static File OpenExisting(const std::string& name);
    // An existing file for reading only (shared like the others), for a
    // look that must work on files the user may not change.
    static File OpenForReading(const std::string& name);
    // Creates the file, or empties an existing one; read/write, shared.
    static File Create(const std::string& name);
    // Creates a file that must not exist yet (a name taken by anything, even
    // a dangling symbolic link, fails): no link planted under the name can
    // redirect what is written.
    static File CreateNew(const std::string& name);

    // Up to `count` bytes; fewer only at the end of the file (0 there).
    std::size_t Read(void* buffer, std::size_t count);
    // All `count` bytes, or EInOutError (a short write reports the
    // platform's disk-full number: 112 on Windows, ENOSPC on POSIX).
    void Write(const void* buffer, std::size_t count);
    std::uint64_t Size();
    // Data and size on the disk before returning (fsync / FlushFileBuffers).
    void Flush();
    // A hint, never a failure and not counted as a call: the system may start
    // writing the data given so far to the disk, so that a later Flush has
    // less to wait for.
    void StartWriteBack() noexcept;
    // Gives the handle back even when the system reports an error on it.
    void Close();
    bool IsOpen() const noexcept;

private:
    friend class WorkFile;
    explicit File(std::intptr_t handle) noexcept : handle_(handle) {}
    std::intptr_t handle_ = -1;
};

// A run's work file, beside the file that its result will replace.  A run
// never removes, empties or renames a work file that another live run holds,
// so runs that meet in one folder each keep their own; a work file left by a
// killed run is replaced.  The file is held from its making until its name
// is gone, renamed over the result's name or removed: on POSIX by an flock
// on the open descriptor, on Windows by a handle that does not share
// deletion.  It is never closed while it has its name, since another run
// would then take it for a leftover.
class WorkFile {
public:
    WorkFile() noexcept = default;
    WorkFile(WorkFile&& other) noexcept;
    WorkFile& operator=(WorkFile&& other) noexcept;
    WorkFile(const WorkFile&) = delete;
    WorkFile& operator=(const WorkFile&) = delete;
    ~WorkFile();  // a work file that still has its name is removed (quietly)

    // A new, empty file under `name`, or, while other live runs hold that,
    // under a name of its own beside it ("___1.~--" for "___.~--", and so
    // on; a bounded number of them), each of which `mayUse` must accept.
    // Whatever else stands under a name it takes (a leftover, a planted
    // link) is removed first.  Read and write access.
    static WorkFile Claim(const std::string& name, const std::function<bool(const std::string&)>& mayUse = {});

    const std::string& Name() const noexcept { return name_; }
    bool IsOpen() const noexcept { return file_.IsOpen(); }
    void Write(const void* buffer, std::size_t count);
    void Flush() { file_.Flush(); }
    // For a file that is flushed before it replaces another: from now on its
    // data starts going to the disk every few MiB as it is written, while
    // the run goes on, so the flush finds little left to wait for.
    void WriteBackAsWritten() noexcept { writeBackStep_ = kWriteBackStep; }
    // A second handle on the same open file, from its start, for reading
    // back what was written; the hold stays with the work file.
    File ReadBack();
    // Puts the file under `target` in one step, replacing what stands there,
    // and lets it go.  On an EInOutError the file keeps its name and its hold.
    void MoveOver(const std::string& target);
    // Removes the file and lets it go, trying again for a moment when the
    // system refuses (a scanner may hold it briefly); false when it stays,
    // unheld, so that the next run in the folder replaces it.
    bool Remove() noexcept;

private:
    static constexpr std::uint64_t kWriteBackStep = std::uint64_t{4} << 20;

    File file_;
    std::string name_;
    std::uint64_t writeBackStep_ = 0;  // 0: the system writes back when it will
    std::uint64_t notStarted_ = 0;     // bytes written since write-back last started
};

// Removes a work file that no live run holds: one left by a killed or
// failed run.  False when there is none, or when it is another run's.
bool RemoveLeftoverWork(const std::string& name) noexcept;

// Results are not exceptions: the callers decide what a failure means.
// (The names stay clear of <windows.h>'s DeleteFile and ReplaceFile macros.)
bool RemoveFile(const std::string& name) noexcept;
// Moves `from` over `to`, replacing `to` in one step when it exists.
bool RenameFile(const std::string& from, const std::string& to) noexcept;
// True when something other than a folder stands under the name (a link
// counts as its target; a dangling link counts as a file).
bool FileExists(const std::string& name) noexcept;
// RenameFile for a result that must arrive: EInOutError when it does not.
void MoveFileOver(const std::string& from, const std::string& to);
// Gives `name` the permission bits of `model` (POSIX mode bits; on Windows
// the read-only attribute is left alone).  Quietly does nothing when either
// cannot be examined.
void CopyPermissions(const std::string& model, const std::string& name) noexcept;

// Device and inode (POSIX) or volume serial and file index (Windows).
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};
// nullopt when the name cannot be opened or examined.
std::optional<FileIdentity> IdentityOf(const std::string& name) noexcept;

// True when the two names are one string, or name one existing file under
// two names (letter case on Windows, relative and absolute forms, links):
// writing to one of them would empty the other.
bool SameFile(const std::string& a, const std::string& b) noexcept;

// The file that a symbolic link under `name` finally names, as an absolute
// name; nullopt when `name` is no link or its target does not exist.  A
// result written over this name, rather than over the link, reaches every
// name of the file and leaves the link as it was.
std::optional<std::string> LinkedFile(const std::string& name) noexcept;

// Makes a completed rename in `folder` durable (POSIX fsync of the folder;
// nothing to do on Windows).  The folder is "" for the current one.
void SyncFolder(const std::string& folder) noexcept;

// The folder part of a name, including its last separator: on Windows up to
// the last "\", "/" or ":", on POSIX up to the last "/"; "" when none.
std::string FolderOf(const std::string& name);

}  // namespace rt

namespace rt::testing {

// Fault injection for tests.  Every file call above (open, create, read,
// write, size, flush, close of an open file, delete, rename; a work file's
// claim, read-back, move and each try of its removal) counts as one call;
// FileExists, IdentityOf, LinkedFile and SyncFolder do not.  With a plan
// set, call number `failAt` (1-based) and the `failCount` - 1 calls after
// it fail with `errorCode` instead of running (an EInOutError; delete and
// rename return false; a failing close still gives the handle back), and a
// write that is call number `shortWriteAt` writes only half its bytes and
// then reports the short write as a full disk does.  0 disables either.
// Calls are counted with or without a plan.
struct FaultPlan {
    int failAt = 0;
    int shortWriteAt = 0;
    int errorCode = 5;
    int failCount = 1;
};
void SetFaultPlan(const FaultPlan& plan) noexcept;
void ClearFaultPlan() noexcept;
int FileCallCount() noexcept;  // calls since the plan was last set or cleared

}  // namespace rt::testing

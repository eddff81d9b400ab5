// File services on POSIX systems.
#include <cerrno>
#include <climits>
#include <cstdlib>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime/exceptions.h"
#include "runtime/file_backend.h"

namespace rt::backend {

const int kDiskFull = ENOSPC;
const int kBadHandle = EBADF;
const char kFolderSeparators[] = "/";
const int kNameTaken = EEXIST;

namespace {

// The Windows number for a device failure.  EIO is 5 on most systems, which
// the table would show as "File access denied".
constexpr int kDeviceError = 1117;

// errno onto the numbers of the table.
int TableNumber(int error) {
    switch (error) {
    case ENOENT: return 2;
    case ENOTDIR:
    case ENAMETOOLONG: return 3;
    case EMFILE:
    case ENFILE: return 4;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return 5;  // what Windows says for a folder opened as a file
    case EIO: return kDeviceError;
    default: return error;
    }
}

[[noreturn]] void RaiseErrno() { throw EInOutError(TableNumber(errno)); }

int Descriptor(std::intptr_t handle) { return static_cast<int>(handle); }

// Largest transfer one read() or write() is asked for.
constexpr std::size_t kMaxTransfer = std::size_t{1} << 30;

// Moves `count` bytes by `call(offset, piece)`, a read() or write() that may
// take part of its piece; stops early when a call moves nothing.
template <typename Call>
std::size_t Transfer(std::size_t count, Call call) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = call(done, count - done < kMaxTransfer ? count - done : kMaxTransfer);
        if (n < 0) {
            if (errno == EINTR) continue;
            RaiseErrno();
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

}  // namespace

std::intptr_t Open(const std::string& name, OpenMode mode) {
    int flags = (mode == OpenMode::ReadOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC | O_NOCTTY;
    switch (mode) {
    case OpenMode::Existing: break;
    case OpenMode::ReadOnly: break;
    case OpenMode::CreateOrEmpty: flags |= O_CREAT; break;  // emptied below, once known to be a file
    case OpenMode::CreateNew: flags |= O_CREAT | O_EXCL | O_NOFOLLOW; break;
    }
    int fd;
    do {
        fd = ::open(name.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) RaiseErrno();
    // Only regular files: a device or pipe under the name would swallow or
    // invent data.
    struct stat st;
    int error = 0;
    if (::fstat(fd, &st) != 0) {
        error = errno;
    } else if (!S_ISREG(st.st_mode)) {
        error = EACCES;
    } else if (mode == OpenMode::CreateOrEmpty && st.st_size != 0 && ::ftruncate(fd, 0) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::close(fd);
        throw EInOutError(TableNumber(error));
    }
    return fd;
}

std::size_t Read(std::intptr_t handle, void* buffer, std::size_t count) {
    char* p = static_cast<char*>(buffer);
    return Transfer(count, [&](std::size_t at, std::size_t piece) { return ::read(Descriptor(handle), p + at, piece); });
}

void Write(std::intptr_t handle, const void* buffer, std::size_t count) {
    const char* p = static_cast<const char*>(buffer);
    const std::size_t done =
        Transfer(count, [&](std::size_t at, std::size_t piece) { return ::write(Descriptor(handle), p + at, piece); });
    if (done < count) throw EInOutError(kDiskFull);  // no progress, and no reason given
}

std::uint64_t Size(std::intptr_t handle) {
    struct stat st;
    if (::fstat(Descriptor(handle), &st) != 0) RaiseErrno();
    return static_cast<std::uint64_t>(st.st_size);
}

void Flush(std::intptr_t handle) {
    int result;
    do {
        result = ::fsync(Descriptor(handle));
    } while (result != 0 && errno == EINTR);
    if (result != 0) RaiseErrno();
}

void StartWriteBack(std::intptr_t handle) noexcept {
#ifdef __linux__
    ::sync_file_range(Descriptor(handle), 0, 0, SYNC_FILE_RANGE_WRITE);
#else
    (void)handle;
#endif
}

void Close(std::intptr_t handle) {
    // The descriptor is gone after close() whatever it returns; EINTR only
    // says that the wait was cut short, so retrying could close another one.
    if (::close(Descriptor(handle)) != 0 && errno != EINTR) RaiseErrno();
}

void CloseQuietly(std::intptr_t handle) noexcept { ::close(Descriptor(handle)); }

bool Delete(const std::string& name) noexcept { return ::unlink(name.c_str()) == 0; }

bool Rename(const std::string& from, const std::string& to) noexcept {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

void Replace(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) RaiseErrno();
}

void CopyPermissions(const std::string& model, const std::string& name) noexcept {
    struct stat st;
    if (::stat(model.c_str(), &st) == 0) ::chmod(name.c_str(), st.st_mode & 07777);
}

bool Exists(const std::string& name) noexcept {
    struct stat st;
    if (::lstat(name.c_str(), &st) != 0) return false;
    // A link counts as its target, a dangling one as a file: either way
    // something stands under the name that a new file must not go through.
    if (S_ISLNK(st.st_mode) && ::stat(name.c_str(), &st) != 0) return true;
    return !S_ISDIR(st.st_mode);
}

std::optional<FileIdentity> Identity(const std::string& name) noexcept {
    struct stat st;
    if (::stat(name.c_str(), &st) != 0) return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

std::optional<std::string> LinkTarget(const std::string& name) noexcept {
    struct stat st;
    if (::lstat(name.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return std::nullopt;
    char* resolved = ::realpath(name.c_str(), nullptr);
    if (resolved == nullptr) return std::nullopt;
    try {
        std::string target(resolved);
        std::free(resolved);
        return target;
    } catch (...) {
        std::free(resolved);
        return std::nullopt;
    }
}

void SyncFolder(const std::string& folder) noexcept {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace rt::backend

// ---------------------------------------------------------------------------
// Work files.  A run holds its work file by an flock on the descriptor it
// made it with (flock, not fcntl locks, which any close() in the process
// would drop).  A run that finds a name taken probes the file: if it can lock
// it, no live run holds it, and it is removed.  A maker locks its new file
// and then checks that the name still leads to it, so a prober that locked
// it first and removed it is noticed; no run can remove a live run's file.

namespace rt::backend {
namespace {

// Tries of one name while others are making or clearing it at that moment.
constexpr int kTriesPerName = 8;

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// True when `name` still leads to the open file `fd`.
bool StillNamed(int fd, const std::string& name) {
    struct stat byName, byHandle;
    return ::lstat(name.c_str(), &byName) == 0 && ::fstat(fd, &byHandle) == 0 && SameFile(byName, byHandle);
}

// 0, EWOULDBLOCK while another holds the file, or what a file system that
// keeps no such locks answers.
int TryLock(int fd) {
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EINTR) return errno;
    }
    return 0;
}

// A file system that keeps no such locks.  Any other refusal (EWOULDBLOCK
// above all: a live run holds it) is taken as a holder, so that a doubtful
// file is never removed.
bool NoLocksHere(int lockError) { return lockError == ENOLCK || lockError == EOPNOTSUPP || lockError == ENOTSUP || lockError == EINVAL; }

enum class Found { Removed, Gone, Held };

// What stands under a work file's name: a leftover that no live run holds
// (removed), nothing any more (gone), or a live run's file or a folder (held).
// A link or any other thing that is no file is removed unopened.
Found ClearLeftover(const std::string& name) {
    struct stat st;
    if (::lstat(name.c_str(), &st) != 0) return Found::Gone;
    if (S_ISDIR(st.st_mode)) return Found::Held;
    if (!S_ISREG(st.st_mode)) return ::unlink(name.c_str()) == 0 ? Found::Removed : Found::Held;
    // Read and write where allowed: some network file systems lock only
    // files opened for writing.
    constexpr int kProbe = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    int fd = ::open(name.c_str(), O_RDWR | kProbe);
    if (fd < 0 && errno == EACCES) fd = ::open(name.c_str(), O_RDONLY | kProbe);
    if (fd < 0) return errno == ENOENT || errno == ELOOP ? Found::Gone : Found::Held;
    Found found = Found::Held;
    const int lockError = TryLock(fd);
    if (lockError == 0 && !StillNamed(fd, name)) {
        found = Found::Gone;
    } else if (lockError == 0 || NoLocksHere(lockError)) {
        // Locked, and so a leftover; or a file system without locks, where
        // every run removes what stands under the name.
        found = ::unlink(name.c_str()) == 0 ? Found::Removed : Found::Held;
    }
    ::close(fd);
    return found;
}

}  // namespace

std::intptr_t ClaimWork(const std::string& name) {
    for (int tries = 0; tries < kTriesPerName; ++tries) {
        int fd;
        do {
            fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) {
            if (errno != EEXIST) RaiseErrno();
            if (ClearLeftover(name) == Found::Held) return -1;
            continue;
        }
        const int lockError = TryLock(fd);
        if (lockError == 0 ? StillNamed(fd, name) : NoLocksHere(lockError)) return fd;
        // A prober took it for a leftover in the moment before the lock.
        ::close(fd);
    }
    return -1;
}

std::intptr_t Duplicate(std::intptr_t handle) {
    const int fd = ::fcntl(Descriptor(handle), F_DUPFD_CLOEXEC, 0);
    if (fd < 0) RaiseErrno();
    if (::lseek(fd, 0, SEEK_SET) != 0) {
        const int error = errno;
        ::close(fd);
        throw EInOutError(TableNumber(error));
    }
    return fd;
}

void MoveWork(std::intptr_t& handle, const std::string& name, const std::string& target) {
    // Only the file this run made may go over the result.
    if (!StillNamed(Descriptor(handle), name)) throw EInOutError(TableNumber(ENOENT));
    if (::rename(name.c_str(), target.c_str()) != 0) RaiseErrno();
}

bool RemoveWork(std::intptr_t& handle, const std::string& name) noexcept {
    // A file that is no longer this run's under the name is not removed.
    return !StillNamed(Descriptor(handle), name) || ::unlink(name.c_str()) == 0;
}

bool RemoveLeftoverWork(const std::string& name) noexcept { return ClearLeftover(name) == Found::Removed; }

}  // namespace rt::backend

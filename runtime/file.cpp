// The platform-independent half of the file services: argument checks, the
// fault-injection seam and the folder rule.  The system calls are in the
// backends.
#include "runtime/file.h"

#include <chrono>
#include <thread>
#include <utility>

#include "runtime/exceptions.h"
#include "runtime/file_backend.h"

namespace rt {
namespace {

// The table's number for a name the system cannot be given.
constexpr int kInvalidName = 3;

// A name with a NUL would reach the system cut short, naming another file.
bool Usable(const std::string& name) { return name.find('\0') == std::string::npos; }

struct FaultState {
    bool active = false;
    int calls = 0;
    testing::FaultPlan plan;
};
FaultState faults;

enum class Fault { None, Fail, ShortWrite };

// Counts one file call and tells what the plan wants of it.
Fault NextFileCall(bool isWrite = false) noexcept {
    ++faults.calls;
    if (!faults.active) [[likely]] return Fault::None;
    const int failAt = faults.plan.failAt;
    if (failAt != 0 && faults.calls >= failAt && faults.calls - failAt < faults.plan.failCount) return Fault::Fail;
    if (isWrite && faults.calls == faults.plan.shortWriteAt) return Fault::ShortWrite;
    return Fault::None;
}

// Counts a call that reports failure by an exception.
void CountCall() {
    if (NextFileCall() == Fault::Fail) throw EInOutError(faults.plan.errorCode);
}

std::intptr_t OpenHandle(const std::string& name, backend::OpenMode mode) {
    CountCall();
    if (!Usable(name)) throw EInOutError(kInvalidName);
    return backend::Open(name, mode);
}

// Names beside a work file's own for runs that meet in one folder; enough
// for any number of runs a user starts at once, few enough to end soon when
// something else holds them all.
constexpr int kWorkNames = 100;

// The n-th name beside `name`: the number goes before the extension.
std::string WorkNameBeside(const std::string& name, int n) {
    const std::size_t folder = FolderOf(name).size();
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot < folder) dot = name.size();
    return name.substr(0, dot) + std::to_string(n) + name.substr(dot);
}

// Tries of a work file's removal, and the pause before the second.
constexpr int kRemoveTries = 5;
constexpr std::chrono::milliseconds kRemovePause{20};

}  // namespace

File::File(File&& other) noexcept : handle_(std::exchange(other.handle_, -1)) {}

File& File::operator=(File&& other) noexcept {
    File taken(std::move(other));
    std::swap(handle_, taken.handle_);
    return *this;  // `taken` closes what this object held
}

File::~File() {
    if (IsOpen()) backend::CloseQuietly(handle_);
}

File File::OpenExisting(const std::string& name) { return File(OpenHandle(name, backend::OpenMode::Existing)); }
File File::OpenForReading(const std::string& name) { return File(OpenHandle(name, backend::OpenMode::ReadOnly)); }
File File::Create(const std::string& name) { return File(OpenHandle(name, backend::OpenMode::CreateOrEmpty)); }
File File::CreateNew(const std::string& name) { return File(OpenHandle(name, backend::OpenMode::CreateNew)); }

std::size_t File::Read(void* buffer, std::size_t count) {
    CountCall();
    if (!IsOpen()) throw EInOutError(backend::kBadHandle);
    return backend::Read(handle_, buffer, count);
}

void File::Write(const void* buffer, std::size_t count) {
    const Fault fault = NextFileCall(true);
    if (fault == Fault::Fail) throw EInOutError(faults.plan.errorCode);
    if (!IsOpen()) throw EInOutError(backend::kBadHandle);
    if (fault == Fault::ShortWrite) {
        // As a full disk does it: part of the data lands, then the error.
        backend::Write(handle_, buffer, count / 2);
        throw EInOutError(backend::kDiskFull);
    }
    backend::Write(handle_, buffer, count);
}

std::uint64_t File::Size() {
    CountCall();
    if (!IsOpen()) throw EInOutError(backend::kBadHandle);
    return backend::Size(handle_);
}

void File::Flush() {
    CountCall();
    if (!IsOpen()) throw EInOutError(backend::kBadHandle);
    backend::Flush(handle_);
}

void File::StartWriteBack() noexcept {
    if (IsOpen()) backend::StartWriteBack(handle_);
}

void File::Close() {
    if (!IsOpen()) return;
    const std::intptr_t handle = std::exchange(handle_, -1);
    if (NextFileCall() == Fault::Fail) {
        backend::CloseQuietly(handle);
        throw EInOutError(faults.plan.errorCode);
    }
    backend::Close(handle);
}

bool File::IsOpen() const noexcept { return handle_ != -1; }

WorkFile::WorkFile(WorkFile&& other) noexcept
    : file_(std::move(other.file_)),
      name_(std::exchange(other.name_, std::string())),
      writeBackStep_(std::exchange(other.writeBackStep_, 0)),
      notStarted_(std::exchange(other.notStarted_, 0)) {}

WorkFile& WorkFile::operator=(WorkFile&& other) noexcept {
    WorkFile taken(std::move(other));
    std::swap(file_, taken.file_);
    std::swap(name_, taken.name_);
    std::swap(writeBackStep_, taken.writeBackStep_);
    std::swap(notStarted_, taken.notStarted_);
    return *this;  // `taken` removes what this object held
}

void WorkFile::Write(const void* buffer, std::size_t count) {
    file_.Write(buffer, count);
    notStarted_ += count;
    if (writeBackStep_ != 0 && notStarted_ >= writeBackStep_) {
        file_.StartWriteBack();
        notStarted_ = 0;
    }
}

WorkFile::~WorkFile() { Remove(); }

WorkFile WorkFile::Claim(const std::string& name, const std::function<bool(const std::string&)>& mayUse) {
    CountCall();
    if (!Usable(name)) throw EInOutError(kInvalidName);
    for (int n = 0; n < kWorkNames; ++n) {
        std::string candidate = n == 0 ? name : WorkNameBeside(name, n);
        if (mayUse && !mayUse(candidate)) continue;
        const std::intptr_t handle = backend::ClaimWork(candidate);
        if (handle == -1) continue;
        WorkFile work;
        work.file_ = File(handle);
        work.name_ = std::move(candidate);
        return work;
    }
    throw EInOutError(backend::kNameTaken);
}

File WorkFile::ReadBack() {
    CountCall();
    if (!IsOpen()) throw EInOutError(backend::kBadHandle);
    return File(backend::Duplicate(file_.handle_));
}

void WorkFile::MoveOver(const std::string& target) {
    CountCall();
    if (!IsOpen()) throw EInOutError(backend::kBadHandle);
    if (!Usable(target)) throw EInOutError(kInvalidName);
    try {
        backend::MoveWork(file_.handle_, name_, target);
    } catch (...) {
        // Let go of by the backend: it goes by its name, before another
        // run could take it for its own.
        if (!IsOpen()) backend::Delete(name_);
        throw;
    }
    file_ = File();
}

bool WorkFile::Remove() noexcept {
    if (!IsOpen()) return false;
    bool removed = false;
    for (int attempt = 0; attempt < kRemoveTries && !removed; ++attempt) {
        if (attempt > 0) std::this_thread::sleep_for(kRemovePause * attempt);
        removed = NextFileCall() != Fault::Fail && backend::RemoveWork(file_.handle_, name_);
    }
    file_ = File();
    return removed;
}

bool RemoveLeftoverWork(const std::string& name) noexcept {
    if (NextFileCall() == Fault::Fail) return false;
    return Usable(name) && backend::RemoveLeftoverWork(name);
}

bool RemoveFile(const std::string& name) noexcept {
    if (NextFileCall() == Fault::Fail) return false;
    return Usable(name) && backend::Delete(name);
}

bool RenameFile(const std::string& from, const std::string& to) noexcept {
    if (NextFileCall() == Fault::Fail) return false;
    return Usable(from) && Usable(to) && backend::Rename(from, to);
}

void MoveFileOver(const std::string& from, const std::string& to) {
    CountCall();
    if (!Usable(from) || !Usable(to)) throw EInOutError(kInvalidName);
    backend::Replace(from, to);
}

void CopyPermissions(const std::string& model, const std::string& name) noexcept {
    if (Usable(model) && Usable(name)) backend::CopyPermissions(model, name);
}

bool FileExists(const std::string& name) noexcept { return Usable(name) && backend::Exists(name); }

std::optional<FileIdentity> IdentityOf(const std::string& name) noexcept {
    if (!Usable(name)) return std::nullopt;
    return backend::Identity(name);
}

bool SameFile(const std::string& a, const std::string& b) noexcept {
    if (a == b) return true;
    const auto x = IdentityOf(a);
    return x && x == IdentityOf(b);
}

std::optional<std::string> LinkedFile(const std::string& name) noexcept {
    if (!Usable(name)) return std::nullopt;
    return backend::LinkTarget(name);
}

void SyncFolder(const std::string& folder) noexcept {
    if (Usable(folder)) backend::SyncFolder(folder);
}

std::string FolderOf(const std::string& name) {
    const std::size_t last = name.find_last_of(backend::kFolderSeparators);
    return last == std::string::npos ? std::string() : name.substr(0, last + 1);
}

}  // namespace rt

namespace rt::testing {

void SetFaultPlan(const FaultPlan& plan) noexcept {
    faults.plan = plan;
    faults.active = true;
    faults.calls = 0;
}

void ClearFaultPlan() noexcept {
    faults.active = false;
    faults.calls = 0;
}

int FileCallCount() noexcept { return faults.calls; }

}  // namespace rt::testing

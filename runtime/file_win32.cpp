// File services on Windows, through the wide API so that every name works.
#include <cstddef>
#include <vector>

#include <windows.h>

#include "runtime/exceptions.h"
#include "runtime/file_backend.h"
#include "runtime/text.h"
#include "runtime/win32_handle.h"

namespace rt::backend {

const int kDiskFull = ERROR_DISK_FULL;
const int kBadHandle = ERROR_INVALID_HANDLE;
const char kFolderSeparators[] = "\\/:";
const int kNameTaken = ERROR_FILE_EXISTS;

namespace {

// The table's number for a name that is not valid UTF-8.
constexpr int kInvalidName = 3;

// Above this length a name goes to the system in its long form.  The limit
// is MAX_PATH for files and 12 less for folders.
constexpr std::size_t kShortNameLimit = MAX_PATH - 12;

// Largest transfer one ReadFile or WriteFile is asked for.
constexpr std::size_t kMaxTransfer = std::size_t{1} << 30;

bool StartsWith(const std::wstring& s, const wchar_t* prefix) { return s.rfind(prefix, 0) == 0; }

// The absolute name in the \\?\ form, which lifts MAX_PATH; the name itself
// when it is in that form already or cannot be made absolute.
std::wstring LongForm(const std::wstring& wide) {
    if (StartsWith(wide, L"\\\\?\\") || StartsWith(wide, L"\\\\.\\")) return wide;
    DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (length == 0) return wide;  // the system will report what is wrong
    std::wstring full(length, L'\0');
    length = GetFullPathNameW(wide.c_str(), length, full.data(), nullptr);
    if (length == 0 || length >= full.size()) return wide;
    full.resize(length);
    if (StartsWith(full, L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

// The name as the wide API takes it; nullopt when it is not valid UTF-8
// (any replacement of a broken sequence would name another file).  A long
// name is made absolute and given the \\?\ prefix, which lifts MAX_PATH.
std::optional<std::wstring> SystemName(const std::string& name) {
    const std::u16string utf16 = Utf8ToUtf16(name);
    if (Utf16ToUtf8(utf16) != name) return std::nullopt;
    std::wstring wide(utf16.begin(), utf16.end());
    if (wide.size() < kShortNameLimit) return wide;
    return LongForm(wide);
}

[[noreturn]] void RaiseLastError() { throw EInOutError(static_cast<int>(GetLastError())); }

HANDLE Handle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// Moves `count` bytes by `call(offset, piece, &moved)`, a ReadFile or
// WriteFile; stops early when a call moves nothing (the end of the file).
template <typename Call>
std::size_t Transfer(std::size_t count, Call call) {
    std::size_t done = 0;
    while (done < count) {
        DWORD n = 0;
        const std::size_t left = count - done;
        if (!call(done, static_cast<DWORD>(left < kMaxTransfer ? left : kMaxTransfer), &n)) RaiseLastError();
        if (n == 0) break;
        done += n;
    }
    return done;
}

}  // namespace

std::intptr_t Open(const std::string& name, OpenMode mode) {
    const std::optional<std::wstring> wide = SystemName(name);
    if (!wide) throw EInOutError(kInvalidName);
    DWORD disposition = OPEN_EXISTING;
    DWORD flags = FILE_ATTRIBUTE_NORMAL;
    DWORD access = GENERIC_READ | GENERIC_WRITE;
    switch (mode) {
    case OpenMode::Existing: break;
    case OpenMode::ReadOnly: access = GENERIC_READ; break;
    case OpenMode::CreateOrEmpty:
        // Emptied below: CREATE_ALWAYS would refuse a hidden or system file
        // and replace the attributes of any other.
        disposition = OPEN_ALWAYS;
        break;
    case OpenMode::CreateNew:
        disposition = CREATE_NEW;
        flags |= FILE_FLAG_OPEN_REPARSE_POINT;  // a link under the name is taken as the name's holder
        break;
    }
    win32::OwnedHandle handle(CreateFileW(wide->c_str(), access,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition, flags, nullptr));
    if (!handle.valid()) RaiseLastError();
    // Only files on a disk: a device or pipe under the name ("CON", "NUL")
    // would swallow or invent data.
    if (GetFileType(handle.get()) != FILE_TYPE_DISK) throw EInOutError(ERROR_ACCESS_DENIED);
    if (mode == OpenMode::CreateOrEmpty && !SetEndOfFile(handle.get())) RaiseLastError();
    return handle.release_as_file();
}

std::size_t Read(std::intptr_t handle, void* buffer, std::size_t count) {
    char* p = static_cast<char*>(buffer);
    return Transfer(count, [&](std::size_t at, DWORD piece, DWORD* n) {
        return ReadFile(Handle(handle), p + at, piece, n, nullptr);
    });
}

void Write(std::intptr_t handle, const void* buffer, std::size_t count) {
    const char* p = static_cast<const char*>(buffer);
    const std::size_t done = Transfer(count, [&](std::size_t at, DWORD piece, DWORD* n) {
        return WriteFile(Handle(handle), p + at, piece, n, nullptr);
    });
    if (done < count) throw EInOutError(kDiskFull);  // no progress, and no reason given
}

std::uint64_t Size(std::intptr_t handle) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(Handle(handle), &size)) RaiseLastError();
    return static_cast<std::uint64_t>(size.QuadPart);
}

// The system writes a file's data back in its own time, with no call to
// start it early short of the waiting FlushFileBuffers.
void StartWriteBack(std::intptr_t) noexcept {}

void Flush(std::intptr_t handle) {
    if (!FlushFileBuffers(Handle(handle))) RaiseLastError();
}

void Close(std::intptr_t handle) {
    if (!CloseHandle(Handle(handle))) RaiseLastError();
}

void CloseQuietly(std::intptr_t handle) noexcept { CloseHandle(Handle(handle)); }

bool Delete(const std::string& name) noexcept {
    try {
        const std::optional<std::wstring> wide = SystemName(name);
        return wide && ::DeleteFileW(wide->c_str());
    } catch (...) {
        return false;  // out of memory while converting the name
    }
}

bool Rename(const std::string& from, const std::string& to) noexcept {
    try {
        const std::optional<std::wstring> wideFrom = SystemName(from);
        const std::optional<std::wstring> wideTo = SystemName(to);
        return wideFrom && wideTo &&
               MoveFileExW(wideFrom->c_str(), wideTo->c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    } catch (...) {
        return false;
    }
}

void Replace(const std::string& from, const std::string& to) {
    const std::optional<std::wstring> wideFrom = SystemName(from);
    const std::optional<std::wstring> wideTo = SystemName(to);
    if (!wideFrom || !wideTo) throw EInOutError(kInvalidName);
    if (!MoveFileExW(wideFrom->c_str(), wideTo->c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        RaiseLastError();
}

// The read-only attribute is the only permission a plain file carries here,
// and a destination that has it is refused before any work is done.
void CopyPermissions(const std::string&, const std::string&) noexcept {}

bool Exists(const std::string& name) noexcept {
    try {
        const std::optional<std::wstring> wide = SystemName(name);
        if (!wide) return false;
        // Not followed: a link, even a dangling one, holds the name.
        const DWORD attributes = GetFileAttributesW(wide->c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    } catch (...) {
        return false;
    }
}

namespace {

// A handle for asking about a file, not for its contents: no access asked
// for and every kind of sharing allowed, so it works while others hold the
// file, and on folders.  A link is followed to the end.
win32::OwnedHandle OpenToExamine(const std::wstring& name) {
    return win32::OwnedHandle(CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

}  // namespace

std::optional<FileIdentity> Identity(const std::string& name) noexcept {
    try {
        const std::optional<std::wstring> wide = SystemName(name);
        if (!wide) return std::nullopt;
        const win32::OwnedHandle handle = OpenToExamine(*wide);
        BY_HANDLE_FILE_INFORMATION info;
        if (!handle.valid() || !GetFileInformationByHandle(handle.get(), &info)) return std::nullopt;
        return FileIdentity{info.dwVolumeSerialNumber,
                            (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<std::string> LinkTarget(const std::string& name) noexcept {
    try {
        const std::optional<std::wstring> wide = SystemName(name);
        if (!wide) return std::nullopt;
        const DWORD attributes = GetFileAttributesW(wide->c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return std::nullopt;
        const win32::OwnedHandle handle = OpenToExamine(*wide);
        if (!handle.valid()) return std::nullopt;
        std::wstring final(MAX_PATH, L'\0');
        DWORD length = GetFinalPathNameByHandleW(handle.get(), final.data(), static_cast<DWORD>(final.size()), 0);
        if (length >= final.size()) {
            final.resize(length + 1);
            length = GetFinalPathNameByHandleW(handle.get(), final.data(), static_cast<DWORD>(final.size()), 0);
        }
        if (length == 0 || length >= final.size()) return std::nullopt;
        final.resize(length);
        // The system answers in the long form; a short one stays usable
        // everywhere (the runtime adds the prefix again where it is needed).
        if (StartsWith(final, L"\\\\?\\UNC\\")) {
            final = L"\\\\" + final.substr(8);
        } else if (StartsWith(final, L"\\\\?\\")) {
            final = final.substr(4);
        }
        return Utf16ToUtf8(std::u16string(final.begin(), final.end()));
    } catch (...) {
        return std::nullopt;
    }
}

void SyncFolder(const std::string&) noexcept {
    // MoveFileExW with MOVEFILE_WRITE_THROUGH has already made it durable.
}

// ---------------------------------------------------------------------------
// Work files.  A run holds its work file by a handle that shares no
// deletion, so no other run can delete or rename it while it lives; a
// leftover, whose maker is gone, can be deleted.  The handle itself renames
// the file over the result or deletes it, so the hold lasts until the name
// is gone.

namespace {

// Tries of one name while others are removing what stands under it.
constexpr int kTriesPerName = 8;

// What a system answers that cannot rename or delete through a handle.
bool NotSupported(DWORD error) {
    return error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED || error == ERROR_CALL_NOT_IMPLEMENTED ||
           error == ERROR_INVALID_FUNCTION;
}

}  // namespace

std::intptr_t ClaimWork(const std::string& name) {
    const std::optional<std::wstring> wide = SystemName(name);
    if (!wide) throw EInOutError(kInvalidName);
    bool deniedBefore = false;
    for (int tries = 0; tries < kTriesPerName; ++tries) {
        // Not through a link: a link planted under the name holds it, and
        // goes as a leftover does.
        const HANDLE handle =
            CreateFileW(wide->c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (handle != INVALID_HANDLE_VALUE) return reinterpret_cast<std::intptr_t>(handle);
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) {
            // Deleting fails for a live run's file, a folder, a read-only file.
            if (!DeleteFileW(wide->c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) return -1;
            continue;
        }
        if (error != ERROR_ACCESS_DENIED) throw EInOutError(static_cast<int>(error));
        // Also the answer while another run's deletion of the name is under
        // way; a name that is not there twice is a folder that refuses.
        if (GetFileAttributesW(wide->c_str()) != INVALID_FILE_ATTRIBUTES || GetLastError() == ERROR_ACCESS_DENIED)
            return -1;
        if (deniedBefore) throw EInOutError(static_cast<int>(error));
        deniedBefore = true;
    }
    return -1;
}

std::intptr_t Duplicate(std::intptr_t handle) {
    HANDLE raw = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), Handle(handle), GetCurrentProcess(), &raw, 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
        RaiseLastError();
    win32::OwnedHandle copy(raw);
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(copy.get(), start, nullptr, FILE_BEGIN)) RaiseLastError();
    return copy.release_as_file();
}

void MoveWork(std::intptr_t& handle, const std::string& name, const std::string& target) {
    const std::optional<std::wstring> wideTarget = SystemName(target);
    if (!wideTarget) throw EInOutError(kInvalidName);
    const std::wstring to = LongForm(*wideTarget);
    // FILE_RENAME_INFO ends in the name; whole words keep it aligned.
    const std::size_t bytes = offsetof(FILE_RENAME_INFO, FileName) + (to.size() + 1) * sizeof(wchar_t);
    std::vector<std::uint64_t> buffer((bytes + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t), 0);
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(to.size() * sizeof(wchar_t));
    to.copy(info->FileName, to.size());
    if (SetFileInformationByHandle(Handle(handle), FileRenameInfo, info, static_cast<DWORD>(bytes))) return;
    const DWORD error = GetLastError();
    if (!NotSupported(error)) throw EInOutError(static_cast<int>(error));
    CloseHandle(Handle(handle));
    handle = -1;
    Replace(name, target);
}

bool RemoveWork(std::intptr_t& handle, const std::string& name) noexcept {
    if (handle != -1) {
        FILE_DISPOSITION_INFO info{};
        info.DeleteFile = TRUE;  // done when the handle closes
        if (SetFileInformationByHandle(Handle(handle), FileDispositionInfo, &info, sizeof info)) return true;
        if (!NotSupported(GetLastError())) return false;
        CloseHandle(Handle(handle));
        handle = -1;
    }
    return Delete(name);
}

// A live run's file shares no deletion, so deleting it fails.
bool RemoveLeftoverWork(const std::string& name) noexcept { return Delete(name); }

}  // namespace rt::backend

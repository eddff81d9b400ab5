// What each platform's file backend provides to file.cpp, which adds the
// checks and the fault injection common to both.  Handles are the platform's
// own (a descriptor or a HANDLE) widened to intptr_t; -1 means none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "runtime/file.h"

namespace rt::backend {

enum class OpenMode { Existing, ReadOnly, CreateOrEmpty, CreateNew };

// The platform's numbers for failures the runtime detects itself.
extern const int kDiskFull;   // a write that took fewer bytes
extern const int kBadHandle;  // a call on a File that is not open
// The characters that end a folder in a name.
extern const char kFolderSeparators[];
// A work file's name, and every one beside it, held by other runs.
extern const int kNameTaken;

// All of these raise EInOutError with the table's number.
std::intptr_t Open(const std::string& name, OpenMode mode);
std::size_t Read(std::intptr_t handle, void* buffer, std::size_t count);
void Write(std::intptr_t handle, const void* buffer, std::size_t count);
std::uint64_t Size(std::intptr_t handle);
void Flush(std::intptr_t handle);
// Starts writing what the file has been given to the disk and returns without
// waiting; nothing where the system has no such call.
void StartWriteBack(std::intptr_t handle) noexcept;
// The handle is given back even when the system reports an error.
void Close(std::intptr_t handle);
void CloseQuietly(std::intptr_t handle) noexcept;

bool Delete(const std::string& name) noexcept;
bool Rename(const std::string& from, const std::string& to) noexcept;
// Rename that raises EInOutError with the system's reason.
void Replace(const std::string& from, const std::string& to);
void CopyPermissions(const std::string& model, const std::string& name) noexcept;
bool Exists(const std::string& name) noexcept;
std::optional<FileIdentity> Identity(const std::string& name) noexcept;
std::optional<std::string> LinkTarget(const std::string& name) noexcept;
void SyncFolder(const std::string& folder) noexcept;

// Work files (see WorkFile).  ClaimWork gives the handle of a new file made
// and held under `name`, or -1 when a live run (or something that is not to
// be removed, such as a folder) holds the name; a leftover or a planted link
// under the name is removed first.  EInOutError for any other failure.
std::intptr_t ClaimWork(const std::string& name);
// Another handle on the same open file, at its start.
std::intptr_t Duplicate(std::intptr_t handle);
// Renames the held file `name` over `target`; RemoveWork removes it.  Where
// the system can do neither through the handle, they close it first (and
// set it to -1) and go by the name.
void MoveWork(std::intptr_t& handle, const std::string& name, const std::string& target);
bool RemoveWork(std::intptr_t& handle, const std::string& name) noexcept;
bool RemoveLeftoverWork(const std::string& name) noexcept;

}  // namespace rt::backend

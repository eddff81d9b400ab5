// TCryptLib: the component that enciphers one file into another (or into
// itself) with a password, and deciphers it back.
//
// Enciphered file:  8 bytes  header, enciphered as one 8-byte buffer:
//                              CheckWord (LE) = key check ^ HeaderNonce ^ payload length (mod 2^32)
//                              HeaderNonce (LE)
//                   L bytes  payload in blocks of 32768 (the last shorter), each
//                            enciphered in file order, continuing the header's state.
// With Compression on the payload is the LZH stream of the source.  Nothing in
// the file says whether it is compressed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cryptlib/cipher_kernels.h"
#include "cryptlib/secure_buffer.h"
#include "lzh/codec.h"
#include "runtime/exceptions.h"
#include "runtime/file.h"

class TCryptLib;

// An encryption whose result is complete and in place, but whose compressed
// copy of the source, a work file beside it, could not be removed.
class EWorkFileLeft : public rt::Exception {
public:
    using rt::Exception::Exception;
};

// The event type with one argument, the sender.
using TNotifyEvent = std::function<void(TCryptLib& Sender)>;

// The passes of an operation, for a progress display.
enum class TCryptPass { Compress, Encipher, Decipher, Expand };

// Bytes of the current pass done, and in all.
using TProgressEvent = std::function<void(TCryptPass pass, std::uint64_t done, std::uint64_t total)>;

class TCryptLib {
public:
    static constexpr std::uint32_t kBlockSize = cipher::kMaxBlock;
    static constexpr std::size_t kMaxPasswordLength = 12;
    static constexpr const char* kSameFileWorkName = "___.~--";
    static constexpr const char* kPackWorkName = "___.~~-";

    TCryptLib();
    ~TCryptLib();
    TCryptLib(const TCryptLib&) = delete;
    TCryptLib& operator=(const TCryptLib&) = delete;

    // Published properties.  File names are UTF-8; the password is the
    // Windows-1251 bytes of at most 12 characters.
    const std::string& Infile() const noexcept { return FSource; }
    void SetInfile(std::string value) { FSource = std::move(value); }
    const std::string& Outfile() const noexcept { return FDest; }
    void SetOutfile(std::string value) { FDest = std::move(value); }
    const std::string& Password() const noexcept { return FPassword; }
    void SetPassword(const std::string& value);
    bool Compression() const noexcept { return FCompression; }
    void SetCompression(bool value) noexcept { FCompression = value; }
    std::int32_t AddKey() const noexcept { return FAdd; }
    void SetAddKey(std::int32_t value);
    std::int32_t MultKey() const noexcept { return FMult; }
    void SetMultKey(std::int32_t value);
    const TNotifyEvent& OnBadPassword() const noexcept { return FOnBadPassword; }
    void SetOnBadPassword(TNotifyEvent handler) { FOnBadPassword = std::move(handler); }

    // Not stored with the component: a front end's progress display.  Called
    // at least once per block of each pass, always on the thread that runs
    // the operation (never on a helper thread), so it may throw to stop the
    // run; it must not start another operation.
    void SetOnProgress(TProgressEvent handler) { FOnProgress = std::move(handler); }

    // Not stored with the component either: the threads that compress.  0
    // (the default) takes the machine's hardware threads, as the codec counts
    // them; 1 keeps compressing on the calling thread.  The file is the same
    // for every count.  Decryption with Compression on deciphers on a helper
    // thread, and with a count of 2 or more on the calling thread too while
    // it would wait for the helper.
    unsigned Threads() const noexcept { return FThreads == 0 ? lzh::DefaultThreads() : FThreads; }
    void SetThreads(unsigned value);

    // Compresses (when Compression is on) and enciphers Infile into Outfile,
    // or into Infile itself when both name the same file.  An existing
    // destination is replaced only once the whole result is on the disk.
    // Work files have the fixed names, or names of their own beside them
    // while other runs in the same folder hold those.
    void EncryptFile();
    // Checks the password against Infile's header; on success deciphers (and
    // expands) it into Outfile or into itself.  A password that does not fit
    // fires OnBadPassword and changes no file.
    void DecryptFile();

    // The key schedule and the buffer cipher.  PrepareKey starts every
    // operation: key words from the password, the header's nonce from the
    // clock-seeded generator, the 16-byte key block; RandomSeed ends at SeedKey.
    void PrepareKey();
    void EncipherBuffer(std::uint8_t* buffer, std::uint32_t length);
    void DecipherBuffer(std::uint32_t length);  // the first `length` bytes of DataBuffer
    static std::uint32_t BlockCrc(const std::uint8_t* data, std::size_t count) noexcept;

    // Read access for tests and diagnostics.
    std::uint32_t SeedKey() const noexcept { return FSeedKey; }
    std::uint32_t StepKey() const noexcept { return FStepKey; }
    std::uint32_t RunKey() const noexcept { return FRunKey; }
    std::uint32_t HeaderNonce() const noexcept { return FHeaderNonce; }
    bool SameFile() const noexcept { return FSameFile; }
    std::uint8_t* KeyBlock() noexcept { return FKeyBlock.empty() ? nullptr : FKeyBlock.data(); }
    std::uint8_t* DataBuffer() noexcept { return FDataBuffer.empty() ? nullptr : FDataBuffer.data(); }
    // True when no key material, password copy or data is left in the
    // component's memory (after an operation has ended, on any path).
    bool SecretsWiped() const noexcept;

    // Taken for one operation; DataBuffer is zero-filled.
    void AllocateBuffers();
    void ReleaseBuffers() noexcept;

private:
    class Operation;
    friend class Operation;

    std::uint32_t KeyCheck();
    bool Decrypt();
    void OpenFiles(bool encrypting, Operation& op);
    void ClaimOutput(Operation& op);
    void CompressSource(Operation& op);
    void DecipherAndExpand(Operation& op, std::uint64_t payload);
    using BlockKernel = void (*)(cipher::KeyState&, std::uint8_t*, std::uint32_t, std::uint16_t*) noexcept;
    void CipherBlocks(Operation& op, TCryptPass pass, std::uint64_t total, BlockKernel kernel);
    cipher::KeyState State() const noexcept;
    void Keep(const cipher::KeyState& state) noexcept;

    // Fields.  The key words and buffers hold secrets only while an
    // operation runs; its end wipes them on every path.
    std::string FSource;
    std::string FDest;
    std::uint32_t FSeedKey = 0;
    std::uint32_t FStepKey = 0;
    std::uint32_t FRunKey = 0;
    std::string FPassword;
    rt::File InputFile;
    rt::WorkFile OutputFile;
    cipher::SecureVector<std::uint8_t> FDataBuffer;
    cipher::SecureVector<std::uint8_t> FKeyBlock;
    cipher::SecureVector<std::uint16_t> SwapTable;
    std::int32_t BytesRead = 0;
    std::int32_t BytesWritten = 0;
    std::uint32_t FHeaderNonce = 0;
    std::int32_t FMult = 0;
    std::int32_t FAdd = 0;
    bool FSameFile = false;
    bool FCompression = false;
    unsigned FThreads = 0;
    TNotifyEvent FOnBadPassword;
    TProgressEvent FOnProgress;
};

// The compression work file's name, last claimed by any instance; kept
// between operations.
extern std::string PackTempName;

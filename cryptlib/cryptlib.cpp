#include "cryptlib/cryptlib.h"

#include <cstring>
#include <optional>
#include <utility>

#include "cryptlib/random.h"
#include "lzh/lzh.h"
#include "runtime/exceptions.h"
#include "runtime/secret.h"
#include "runtime/text.h"

namespace {

constexpr std::uint32_t kHeaderSize = 8;
constexpr std::uint32_t kKeyBlockSize = 16;

void PutLittleEndian(std::uint8_t* to, std::uint32_t value) noexcept {
    for (int i = 0; i < 4; ++i) to[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetLittleEndian(const std::uint8_t* from) noexcept {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | from[i];
    return value;
}

// Characters k..k+3 of the password (k from 1), the first in the low byte;
// characters the password does not have count as 0.
std::uint32_t PackKeyWord(const std::string& password, std::size_t k) noexcept {
    std::uint32_t word = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const std::size_t at = k - 1 + i;
        const std::uint32_t c = at < password.size() ? static_cast<std::uint8_t>(password[at]) : 0u;
        word |= c << (8 * i);
    }
    return word;
}

}  // namespace

std::string PackTempName;

// ---------------------------------------------------------------------------
// The compression passes drive the LZH module through two plain callbacks,
// so the files they read and write live here, shared by all instances.

namespace {

rt::File PackSource;
rt::WorkFile PackTarget;
std::uint64_t packDone = 0;
std::uint64_t packTotal = 0;
const TProgressEvent* packProgress = nullptr;
TCryptPass packPass = TCryptPass::Compress;

std::int32_t ReadPackSource(std::uint8_t* buffer) {
    const std::size_t n = PackSource.Read(buffer, static_cast<std::size_t>(kLZHBlockSize));
    packDone += n;
    if (packProgress != nullptr && *packProgress && n != 0) (*packProgress)(packPass, packDone, packTotal);
    return static_cast<std::int32_t>(n);
}

// Expansion reads the enciphered source itself: each read hands the expander
// the next whole blocks, deciphered in its own buffer, so no deciphered copy
// of the stream ever goes to the disk.
struct DecipherFeed {
    rt::File* input = nullptr;
    cipher::KeyState state{};
    std::uint16_t* partners = nullptr;
};
DecipherFeed feed;

std::int32_t ReadDecipheredSource(std::uint8_t* buffer) {
    static_assert(kLZHBlockSize % TCryptLib::kBlockSize == 0, "the expander's reads hold whole blocks");
    std::size_t total = 0;
    while (total < static_cast<std::size_t>(kLZHBlockSize)) {
        const std::size_t n = feed.input->Read(buffer + total, TCryptLib::kBlockSize);
        cipher::Decipher(feed.state, buffer + total, static_cast<std::uint32_t>(n), feed.partners);
        total += n;
        if (n < TCryptLib::kBlockSize) break;
    }
    packDone += total;
    if (packProgress != nullptr && *packProgress && total != 0) (*packProgress)(packPass, packDone, packTotal);
    return static_cast<std::int32_t>(total);
}

std::int32_t WritePackTarget(std::uint8_t* buffer, std::int32_t count) {
    PackTarget.Write(buffer, static_cast<std::size_t>(count));
    return count;
}

}  // namespace

// ---------------------------------------------------------------------------
// One operation: the names it works with, the work files it has made, and
// the clean-up that runs on every way out.  A failed operation leaves the
// source and an existing destination as they were and no work file behind.

class TCryptLib::Operation {
public:
    explicit Operation(TCryptLib& owner) noexcept : c_(owner) {}
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;

    ~Operation() {
        CloseQuietly(c_.InputFile);
        CloseQuietly(PackSource);
        // Work files that still have their names go.
        c_.OutputFile = rt::WorkFile();
        PackTarget = rt::WorkFile();
        if (usedCompressor) LZHDone();
        packProgress = nullptr;
        feed = DecipherFeed{};
        c_.ReleaseBuffers();
        c_.FSeedKey = 0;
        c_.FStepKey = 0;
        c_.FRunKey = 0;
        c_.FHeaderNonce = 0;
        RandomSeed = 0;  // it continues the sequence seeded from the key
    }

    // A work file under `name`, or under a name of its own beside it while
    // other runs hold that one; never one of the user's two files.
    rt::WorkFile Claim(const std::string& name) const {
        return rt::WorkFile::Claim(name, [this](const std::string& candidate) {
            return !rt::SameFile(candidate, source) && !rt::SameFile(candidate, target);
        });
    }

    // Puts a finished work file under the target's name in one step.
    void Replace(rt::WorkFile& work) {
        rt::CopyPermissions(target, work.Name());
        work.MoveOver(target);
        rt::SyncFolder(rt::FolderOf(target));
    }

    std::string folder;      // the destination's folder, where work files stand
    std::string target;      // the name that receives the result
    std::string source;      // the user's file that is enciphered or deciphered
    std::string outputWork;  // "___.~--"
    bool usedCompressor = false;

private:
    static void CloseQuietly(rt::File& file) noexcept {
        try {
            if (file.IsOpen()) file.Close();
        } catch (...) {
        }
        file = rt::File();
    }

    TCryptLib& c_;
};

// ---------------------------------------------------------------------------

TCryptLib::TCryptLib() {
    FSameFile = false;
    SetPassword("739104");
    SetAddKey(4471);
    SetMultKey(9261);
    FCompression = true;
}

TCryptLib::~TCryptLib() { rt::SecureZero(FPassword.data(), FPassword.size()); }

void TCryptLib::SetPassword(const std::string& value) {
    if (value.size() > kMaxPasswordLength) {
        rt::SecureZero(FPassword.data(), FPassword.size());
        FPassword.clear();
        throw rt::Exception("TCryptLib.Password is too long");
    }
    rt::SecureZero(FPassword.data(), FPassword.size());
    FPassword = value;
}

void TCryptLib::SetAddKey(std::int32_t value) {
    if (value == 0) {
        FAdd = 1;
        throw rt::Exception("TCryptLib.AddKey is too big");
    }
    FAdd = value;
}

void TCryptLib::SetMultKey(std::int32_t value) {
    if (value == 0) {
        FMult = 1;
        throw rt::Exception("TCryptLib.MultKey is too big");
    }
    FMult = value;
}

// ---------------------------------------------------------------------------
// Key schedule and buffer cipher

void TCryptLib::AllocateBuffers() {
    FDataBuffer.assign(kBlockSize, 0);
    FKeyBlock.assign(kKeyBlockSize, 0);
    SwapTable.assign(kBlockSize, 0);
}

void TCryptLib::ReleaseBuffers() noexcept {
    // The allocator wipes every block it gives back.
    cipher::SecureVector<std::uint8_t>().swap(FDataBuffer);
    cipher::SecureVector<std::uint8_t>().swap(FKeyBlock);
    cipher::SecureVector<std::uint16_t>().swap(SwapTable);
}

bool TCryptLib::SecretsWiped() const noexcept {
    return FSeedKey == 0 && FStepKey == 0 && FRunKey == 0 && RandomSeed == 0 && FDataBuffer.empty() &&
           FKeyBlock.empty() && SwapTable.empty();
}

cipher::KeyState TCryptLib::State() const noexcept {
    return {RandomSeed, FRunKey, FStepKey, static_cast<std::uint32_t>(FMult), static_cast<std::uint32_t>(FAdd)};
}

void TCryptLib::Keep(const cipher::KeyState& state) noexcept {
    RandomSeed = state.seed;
    FRunKey = state.runKey;
}

void TCryptLib::PrepareKey() {
    FSeedKey = PackKeyWord(FPassword, 1);
    FRunKey = PackKeyWord(FPassword, 5);
    FStepKey = PackKeyWord(FPassword, 9);

    SeedFromClock();
    FHeaderNonce = RandomBelow(static_cast<std::uint32_t>(-2));

    FKeyBlock.assign(kKeyBlockSize, 0);
    RandomSeed = FSeedKey;
    for (int i = 0; i < 4; ++i) FKeyBlock[i] = static_cast<std::uint8_t>(RandomBelow(255));
    RandomSeed = FRunKey;
    for (int i = 4; i < 8; ++i) FKeyBlock[i] = static_cast<std::uint8_t>(RandomBelow(255));
    RandomSeed = FStepKey;
    for (int i = 8; i < 16; ++i) FKeyBlock[i] = static_cast<std::uint8_t>(RandomBelow(255));
    RandomSeed = FSeedKey;
}

void TCryptLib::EncipherBuffer(std::uint8_t* buffer, std::uint32_t length) {
    if (length == 0) return;
    const bool borrowed = SwapTable.empty();
    if (borrowed) SwapTable.assign(kBlockSize, 0);
    cipher::KeyState state = State();
    cipher::Encipher(state, buffer, length, SwapTable.data());
    Keep(state);
    if (borrowed) cipher::SecureVector<std::uint16_t>().swap(SwapTable);
}

void TCryptLib::DecipherBuffer(std::uint32_t length) {
    if (length == 0) return;
    const bool borrowed = SwapTable.empty();
    if (borrowed) SwapTable.assign(kBlockSize, 0);
    cipher::KeyState state = State();
    cipher::Decipher(state, FDataBuffer.data(), length, SwapTable.data());
    Keep(state);
    if (borrowed) cipher::SecureVector<std::uint16_t>().swap(SwapTable);
}

std::uint32_t TCryptLib::BlockCrc(const std::uint8_t* data, std::size_t count) noexcept {
    return cipher::Crc(data, count);
}

// Enciphers the key block in place; its check value depends only on the
// password and the two key constants.
std::uint32_t TCryptLib::KeyCheck() {
    EncipherBuffer(FKeyBlock.data(), kKeyBlockSize);
    return BlockCrc(FKeyBlock.data(), kKeyBlockSize);
}

// ---------------------------------------------------------------------------
// File operations

void TCryptLib::OpenFiles(bool encrypting, Operation& op) {
    // Nothing is touched for a run that cannot succeed.
    if (FSource.empty()) throw rt::Exception("TCryptLib.Infile is empty");
    if (FDest.empty()) throw rt::Exception("TCryptLib.Outfile is empty");

    // One file under two names (letter case, relative forms, links) must be
    // worked on in place, or creating the output would empty the source.
    FSameFile = rt::SameFile(FSource, FDest);
    // The result goes under the destination's name, or, through a symbolic
    // link, to the file the link names: replacing the link would leave that
    // file as it was.  (A hard link's other name keeps the original, as
    // after any replacing save.)  The work files stand beside the file they
    // replace, so the final rename never crosses file systems.
    op.target = FDest;
    if (const auto linked = rt::LinkedFile(op.target)) op.target = *linked;
    op.folder = rt::FolderOf(op.target);
    op.outputWork = op.folder + kSameFileWorkName;
    const std::string packWork = op.folder + kPackWorkName;
    if (FSameFile) FDest = op.outputWork;

    // What no live run holds under a work file's name is taken for a
    // leftover and removed: a user's file standing there would be lost.
    // (Names beside these are passed over when they are the user's.)
    for (const std::string* work : {&std::as_const(op.outputWork), &packWork}) {
        if (rt::SameFile(*work, FSource))
            throw rt::Exception("TCryptLib.Infile is a work file name");
        if (rt::SameFile(*work, op.target))
            throw rt::Exception("TCryptLib.Outfile is a work file name");
    }

    op.source = FSource;
    InputFile = rt::File::OpenExisting(op.source);
    // A destination that may not be written, or a folder under its name, is
    // refused now (opening it fails as creating it would), not after all the
    // work, when the replacing rename would fail.
    if (!FSameFile && (rt::FileExists(op.target) || rt::IdentityOf(op.target)))
        rt::File::OpenExisting(op.target).Close();

    if (encrypting && FCompression) {
        InputFile.Close();
        CompressSource(op);
        if (!FSameFile) FSource = PackTempName;
        // The compressed copy is read back through the handle that holds it.
        InputFile = PackTarget.ReadBack();
    }
    if (encrypting) ClaimOutput(op);
}

void TCryptLib::ClaimOutput(Operation& op) {
    OutputFile = op.Claim(op.outputWork);
    if (FSameFile) FDest = OutputFile.Name();
}

// Both passes start the compressor before they make a work file: one that
// cannot start leaves the folder as it was.
void TCryptLib::CompressSource(Operation& op) {
    PackSource = rt::File::OpenExisting(op.source);
    op.usedCompressor = true;
    if (!LZHInit()) throw rt::Exception("TCryptLib: LZH init error");
    PackTarget = op.Claim(op.folder + kPackWorkName);
    PackTempName = PackTarget.Name();
    packDone = 0;
    packTotal = PackSource.Size();
    packProgress = &FOnProgress;
    packPass = TCryptPass::Compress;
    LZHEncode(ReadPackSource, WritePackTarget);
    LZHDone();
    PackSource.Close();
}

void TCryptLib::DecipherAndExpand(Operation& op, std::uint64_t payload) {
    op.usedCompressor = true;
    if (!LZHInit()) throw rt::Exception("TCryptLib: LZH init error");
    PackTarget = op.Claim(op.folder + kPackWorkName);
    PackTempName = PackTarget.Name();
    feed.input = &InputFile;
    feed.state = State();
    feed.partners = SwapTable.data();
    packDone = 0;
    packTotal = payload;
    packProgress = &FOnProgress;
    packPass = TCryptPass::Decipher;
    LZHDecode(ReadDecipheredSource, WritePackTarget);
    LZHDone();
    Keep(feed.state);
    feed = DecipherFeed{};
    PackTarget.Flush();
}

// The rest of the input to the output in blocks, each through `kernel`
// (cipher::Encipher or cipher::Decipher) with the key state running on from
// block to block; the progress of `pass` counts towards `total`.
void TCryptLib::CipherBlocks(Operation&, TCryptPass pass, std::uint64_t total, BlockKernel kernel) {
    std::uint64_t done = 0;
    cipher::KeyState state = State();
    for (;;) {
        const std::size_t n = InputFile.Read(FDataBuffer.data(), kBlockSize);
        BytesRead = static_cast<std::int32_t>(n);
        kernel(state, FDataBuffer.data(), static_cast<std::uint32_t>(n), SwapTable.data());
        if (n == 0) break;
        OutputFile.Write(FDataBuffer.data(), n);
        BytesWritten = BytesRead;
        done += n;
        if (FOnProgress) FOnProgress(pass, done, total);
    }
    Keep(state);
}

void TCryptLib::EncryptFile() {
    Operation op(*this);
    OpenFiles(true, op);
    AllocateBuffers();
    PrepareKey();
    const std::uint64_t payload = InputFile.Size();
    const std::uint32_t check = KeyCheck();

    PutLittleEndian(FDataBuffer.data(), check ^ FHeaderNonce ^ static_cast<std::uint32_t>(payload));
    PutLittleEndian(FDataBuffer.data() + 4, FHeaderNonce);
    EncipherBuffer(FDataBuffer.data(), kHeaderSize);
    OutputFile.Write(FDataBuffer.data(), kHeaderSize);
    CipherBlocks(op, TCryptPass::Encipher, InputFile.Size(), cipher::Encipher);
    ReleaseBuffers();

    InputFile.Close();
    OutputFile.Flush();
    op.Replace(OutputFile);
    // The compressed copy holds the source's data: a user who meant to
    // leave only the enciphered file must hear that it stayed.
    if (PackTarget.IsOpen()) {
        const std::string left = PackTarget.Name();
        if (!PackTarget.Remove())
            throw EWorkFileLeft("TCryptLib: the result is in place, but the work file " + left +
                                " could not be removed");
    }
    // A compression work file left by an earlier run of any instance goes
    // too, unless a live run holds it.
    if (!FSameFile && rt::FileExists(PackTempName)) rt::RemoveLeftoverWork(PackTempName);
}

void TCryptLib::DecryptFile() {
    // The handler runs after the operation has closed its files and wiped
    // its keys.
    if (!Decrypt() && FOnBadPassword) FOnBadPassword(*this);
}

bool TCryptLib::Decrypt() {
    Operation op(*this);
    OpenFiles(false, op);
    AllocateBuffers();
    PrepareKey();
    const std::uint32_t check = KeyCheck();
    const std::uint64_t size = InputFile.Size();

    // The header is read and checked before anything is created, so a wrong
    // password leaves every file as it was.  A file too short to hold a
    // header never passes.
    bool fits = size >= kHeaderSize && InputFile.Read(FDataBuffer.data(), kHeaderSize) == kHeaderSize;
    if (fits) {
        DecipherBuffer(kHeaderSize);
        const std::uint32_t stored = GetLittleEndian(FDataBuffer.data());
        FHeaderNonce = GetLittleEndian(FDataBuffer.data() + 4);
        fits = (check ^ FHeaderNonce ^ static_cast<std::uint32_t>(size - kHeaderSize)) == stored;
    }
    if (!fits) return false;

    if (FCompression) {
        DecipherAndExpand(op, size - kHeaderSize);
        ReleaseBuffers();
        InputFile.Close();
        op.Replace(PackTarget);
    } else {
        ClaimOutput(op);
        CipherBlocks(op, TCryptPass::Decipher, size - kHeaderSize, cipher::Decipher);
        ReleaseBuffers();
        InputFile.Close();
        OutputFile.Flush();
        op.Replace(OutputFile);
    }
    return true;
}

#include "cryptlib/cryptlib.h"

#include <cstring>
#include <optional>
#include <utility>

#include "cryptlib/decipher_ahead.h"
#include "cryptlib/random.h"
#include "lzh/codec.h"
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
// The compression passes: the codec reads and writes through these, on the
// thread that runs the operation.

namespace {

// Reads a file for the encoder, reporting each block read as progress.
class FileSource final : public lzh::Source {
public:
    FileSource(rt::File& file, const TProgressEvent& progress, TCryptPass pass, std::uint64_t total)
        : file_(file), progress_(progress), pass_(pass), total_(total) {}
    std::int32_t Read(std::uint8_t* buffer) override {
        const std::size_t n = file_.Read(buffer, lzh::kBlockSize);
        done_ += n;
        if (progress_ && n != 0) progress_(pass_, done_, total_);
        return static_cast<std::int32_t>(n);
    }

private:
    rt::File& file_;
    const TProgressEvent& progress_;
    TCryptPass pass_;
    std::uint64_t total_;
    std::uint64_t done_ = 0;
};

class FileSink final : public lzh::Sink {
public:
    explicit FileSink(rt::WorkFile& file) : file_(file) {}
    void Write(const std::uint8_t* data, std::int32_t count) override {
        file_.Write(data, static_cast<std::size_t>(count));
    }

private:
    rt::WorkFile& file_;
};

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
        CloseQuietly(packSource);
        // Work files that still have their names go.
        c_.OutputFile = rt::WorkFile();
        packTarget = rt::WorkFile();
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
    rt::File packSource;      // what the encoder reads
    rt::WorkFile packTarget;  // "___.~~-": what the codec writes

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

void TCryptLib::SetThreads(unsigned value) {
    if (value > lzh::kMaxThreads) {
        FThreads = 0;
        throw rt::Exception("TCryptLib.Threads is too big");
    }
    FThreads = value;
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
        InputFile = op.packTarget.ReadBack();
    }
    if (encrypting) ClaimOutput(op);
}

void TCryptLib::ClaimOutput(Operation& op) {
    OutputFile = op.Claim(op.outputWork);
    OutputFile.WriteBackAsWritten();
    if (FSameFile) FDest = OutputFile.Name();
}

// Both passes take the codec's memory before they make a work file: a codec
// that cannot start leaves the folder as it was.
void TCryptLib::CompressSource(Operation& op) {
    op.packSource = rt::File::OpenExisting(op.source);
    lzh::Encoder encoder(FThreads);
    if (!encoder.Prepare()) throw rt::Exception("TCryptLib: LZH init error");
    op.packTarget = op.Claim(op.folder + kPackWorkName);
    PackTempName = op.packTarget.Name();
    FileSource source(op.packSource, FOnProgress, TCryptPass::Compress, op.packSource.Size());
    FileSink sink(op.packTarget);
    encoder.Encode(source, sink);
    op.packSource.Close();
}

// The expander reads the enciphered source itself, deciphered ahead of it on
// a second thread, so no deciphered copy of the stream ever goes to the disk.
void TCryptLib::DecipherAndExpand(Operation& op, std::uint64_t payload) {
    lzh::Decoder decoder;
    if (!decoder.Prepare()) throw rt::Exception("TCryptLib: LZH init error");
    op.packTarget = op.Claim(op.folder + kPackWorkName);
    op.packTarget.WriteBackAsWritten();  // the result, unlike the compressed copy of encryption
    PackTempName = op.packTarget.Name();
    cipher::DecipherAhead source(InputFile, State(), Threads(), [this, payload](std::uint64_t done) {
        if (FOnProgress) FOnProgress(TCryptPass::Decipher, done, payload);
    });
    FileSink sink(op.packTarget);
    decoder.Decode(source, sink);
    Keep(source.Finish());
    op.packTarget.Flush();
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
    if (op.packTarget.IsOpen()) {
        const std::string left = op.packTarget.Name();
        if (!op.packTarget.Remove())
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
        op.Replace(op.packTarget);
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

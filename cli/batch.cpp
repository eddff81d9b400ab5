#include "cli/batch.h"

#include <algorithm>
#include <new>
#include <optional>
#include <tuple>

#include "cryptlib/cryptlib.h"
#include "cryptlib/random.h"
#include "cryptlib/secure_buffer.h"
#include "runtime/console.h"
#include "runtime/exceptions.h"
#include "runtime/file.h"

namespace cli {

namespace {

constexpr std::uint32_t kHeaderSize = 8;
constexpr std::uint32_t kKeyBlockSize = 16;

// "a", "a and b", "a, b and 3 more".
std::string Listing(const std::vector<std::string>& names) {
    std::string text = names.at(0);
    if (names.size() == 2) text += " and " + names[1];
    if (names.size() > 2) text += ", " + names[1] + " and " + std::to_string(names.size() - 2) + " more";
    return text;
}

std::uint32_t LittleEndian(const std::uint8_t* bytes) noexcept {
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

// The run's component.  A check uses its key schedule without running an
// operation of the component's own, so nothing would wipe the key words it
// leaves in its fields: it lives in memory that is wiped when it goes.
class Cipher {
public:
    Cipher() : storage_(sizeof(TCryptLib)), cipher_(new (storage_.data()) TCryptLib) {}
    ~Cipher() {
        cipher_->~TCryptLib();
        RandomSeed = 0;  // it goes on from the key words
    }
    Cipher(const Cipher&) = delete;
    Cipher& operator=(const Cipher&) = delete;
    TCryptLib& operator*() noexcept { return *cipher_; }

private:
    static_assert(alignof(TCryptLib) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);
    cipher::SecureVector<unsigned char> storage_;
    TCryptLib* cipher_;
};

// Whether the password fits the file: its header deciphered and compared as
// decryption does first.  The file is only read.
bool PasswordFits(TCryptLib& c, const std::string& name) {
    rt::File file = rt::File::OpenForReading(name);
    const std::uint64_t size = file.Size();
    struct Buffers {
        TCryptLib& c;
        ~Buffers() { c.ReleaseBuffers(); }
    } buffers{c};
    c.AllocateBuffers();
    c.PrepareKey();
    c.EncipherBuffer(c.KeyBlock(), kKeyBlockSize);
    const std::uint32_t check = TCryptLib::BlockCrc(c.KeyBlock(), kKeyBlockSize);
    if (size < kHeaderSize || file.Read(c.DataBuffer(), kHeaderSize) != kHeaderSize) return false;
    c.DecipherBuffer(kHeaderSize);
    const std::uint32_t stored = LittleEndian(c.DataBuffer());
    const std::uint32_t nonce = LittleEndian(c.DataBuffer() + 4);
    return (check ^ nonce ^ static_cast<std::uint32_t>(size - kHeaderSize)) == stored;
}

class Batch {
public:
    Batch(const Options& options, const std::vector<Job>& jobs, const std::function<bool()>& stopRequested,
          ProgressLine& line)
        : options_(options), jobs_(jobs), stopRequested_(stopRequested), line_(line) {}

    BatchReport Run(const std::string& password) {
        BatchReport report;
        report.outcomes.assign(jobs_.size(), Outcome::NotStarted);
        TCryptLib& c = *cipher_;
        c.SetCompression(options_.compression);
        c.SetThreads(options_.threads);
        c.SetAddKey(options_.addKey);
        c.SetMultKey(options_.multKey);
        c.SetOnBadPassword([this](TCryptLib&) { badPassword_ = true; });
        c.SetOnProgress([this](TCryptPass pass, std::uint64_t done, std::uint64_t total) {
            if (stopRequested_()) throw rt::ECancelled();
            line_.Update(pass, done, total);
        });
        for (std::size_t i = 0; i < jobs_.size() && !stopRequested_(); ++i) {
            line_.StartFile(i + 1, jobs_.size());
            c.SetPassword(password);
            report.outcomes[i] = options_.command == Command::Check ? Check(jobs_[i]) : Work(jobs_[i]);
            if (report.outcomes[i] == Outcome::Stopped) break;
        }
        c.SetPassword("");
        line_.Clear();
        if (stopRequested_()) TellStop(report);
        return report;
    }

private:
    Outcome Check(const Job& job) {
        try {
            const bool fits = PasswordFits(*cipher_, job.source);
            line_.Clear();
            rt::WriteOutput(job.source + (fits ? ": the password fits\n" : ": the password does not fit\n"));
            return fits ? Outcome::Done : Outcome::BadPassword;
        } catch (const rt::Exception& e) {
            return Fail("cannot check " + job.source + ": " + e.Message());
        } catch (const std::bad_alloc&) {
            return Fail("cannot check " + job.source + ": Out of memory");
        }
    }

    Outcome Work(const Job& job) {
        const bool encrypting = options_.command == Command::Encrypt;
        const bool inPlace = rt::SameFile(job.source, job.result);
        const std::string what = std::string("cannot ") + (encrypting ? "encrypt " : "decrypt ") + job.source +
                                 (inPlace ? " in place" : " into " + job.result);
        // Names that differ only where the file system does not tell them
        // apart (letter case on Windows) would put a result over another.
        const auto identity = rt::IdentityOf(job.result);
        if (identity && std::find(made_.begin(), made_.end(), *identity) != made_.end())
            return Fail(what + ": another file's result went there in this run");
        TCryptLib& c = *cipher_;
        c.SetInfile(job.source);
        c.SetOutfile(job.result);
        badPassword_ = false;
        try {
            if (encrypting)
                c.EncryptFile();
            else
                c.DecryptFile();
        } catch (const rt::ECancelled&) {
            return Outcome::Stopped;
        } catch (const EWorkFileLeft& e) {
            // The result is complete, but a compressed copy of the source
            // stayed beside it: a failure to whoever meant to leave no
            // readable copy.
            return Fail(e.Message());
        } catch (const rt::Exception& e) {
            // The component's text says what failed; the names say where.
            return Fail(what + ": " + e.Message());
        } catch (const std::bad_alloc&) {
            return Fail(what + ": Out of memory");
        }
        if (badPassword_) {
            line_.Say("tessavel-cli: the password does not fit " + job.source + "; nothing was changed\n");
            return Outcome::BadPassword;
        }
        if (const auto made = rt::IdentityOf(job.result)) made_.push_back(*made);
        return Outcome::Done;
    }

    Outcome Fail(const std::string& text) {
        line_.Say("tessavel-cli: " + text + "\n");
        return Outcome::Failed;
    }

    void TellStop(const BatchReport& report) {
        std::vector<std::string> done;
        std::string inHand;
        std::size_t notStarted = 0;
        // A check is done whatever it found.
        const bool checking = options_.command == Command::Check;
        for (std::size_t i = 0; i < jobs_.size(); ++i) {
            const Outcome o = report.outcomes[i];
            if (o == Outcome::Done || (checking && o == Outcome::BadPassword)) done.push_back(jobs_[i].source);
            if (o == Outcome::Stopped) inHand = jobs_[i].source;
            if (o == Outcome::NotStarted) ++notStarted;
        }
        std::string text = "tessavel-cli: stopped";
        if (!inHand.empty()) text += "; " + inHand + " was left as it was";
        if (jobs_.size() > 1) {
            text += "; " + std::to_string(done.size()) + " of " + std::to_string(jobs_.size()) + " files done";
            text += done.empty() ? "" : ":";
            for (const std::string& name : done) text += "\n  " + name;
            if (notStarted != 0) text += "\n" + std::to_string(notStarted) + " not started";
        }
        line_.Say(text + "\n");
    }

    const Options& options_;
    const std::vector<Job>& jobs_;
    const std::function<bool()>& stopRequested_;
    ProgressLine& line_;
    Cipher cipher_;
    bool badPassword_ = false;
    std::vector<rt::FileIdentity> made_;  // the results made so far
};

}  // namespace

void CheckBeforeWork(const Options& options, const std::vector<Job>& jobs) {
    // Something under the name that is no file: a folder.
    if (options.outputDir && (!rt::IdentityOf(*options.outputDir) || rt::FileExists(*options.outputDir)))
        throw UsageError{*options.outputDir + " is not a folder"};
    if (options.inPlace) {
        // The same file twice would be enciphered twice.
        std::vector<std::pair<rt::FileIdentity, const std::string*>> seen;
        for (const Job& job : jobs) {
            if (const auto identity = rt::IdentityOf(job.source)) seen.emplace_back(*identity, &job.source);
        }
        std::sort(seen.begin(), seen.end(), [](const auto& a, const auto& b) {
            return std::tie(a.first.volume, a.first.index) < std::tie(b.first.volume, b.first.index);
        });
        for (std::size_t i = 1; i < seen.size(); ++i) {
            if (seen[i].first == seen[i - 1].first)
                throw UsageError{*seen[i - 1].second + " and " + *seen[i].second + " are one file"};
        }
    }
    if (options.command == Command::Check || options.inPlace || options.force) return;
    std::vector<std::string> existing;
    for (const Job& job : jobs) {
        // DEST may be SOURCE; a result in the output folder never may be,
        // unless --force says that replacing is meant.
        const bool same = !options.outputDir && rt::SameFile(job.source, job.result);
        if (!same && rt::FileExists(job.result)) existing.push_back(job.result);
    }
    if (existing.size() == 1) throw UsageError{existing[0] + " exists: use --force to replace it"};
    if (!existing.empty()) throw UsageError{Listing(existing) + " exist: use --force to replace them"};
}

bool BatchReport::Stopped() const {
    return std::find(outcomes.begin(), outcomes.end(), Outcome::Stopped) != outcomes.end();
}

int BatchReport::ExitStatus() const {
    const auto has = [this](Outcome o) { return std::find(outcomes.begin(), outcomes.end(), o) != outcomes.end(); };
    if (has(Outcome::Failed)) return 3;
    if (has(Outcome::BadPassword)) return 1;
    return 0;
}

BatchReport RunBatch(const Options& options, const std::vector<Job>& jobs, const std::string& password,
                     const std::function<bool()>& stopRequested, ProgressLine& line) {
    return Batch(options, jobs, stopRequested, line).Run(password);
}

}  // namespace cli

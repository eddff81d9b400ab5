#include "cli/options.h"

#include <charconv>

#include "cryptlib/cryptlib.h"
#include "lzh/codec.h"
#include "runtime/file.h"
#include "runtime/secret.h"
#include "runtime/text.h"

namespace cli {

std::string Usage() {
    return std::string("usage: tessavel-cli encrypt|decrypt [options] SOURCE DEST\n"
                       "       tessavel-cli encrypt|decrypt [options] --in-place FILE...\n"
                       "       tessavel-cli encrypt|decrypt [options] --output-dir DIR FILE...\n"
                       "       tessavel-cli check [options] FILE...\n"
                       "  --in-place             each FILE is replaced by its result\n"
                       "  --output-dir DIR       each result goes to DIR under its FILE's name\n"
                       "  --password-file FILE   the password is FILE's text up to its first line break (UTF-8)\n"
                       "  --no-compression       the file carries no LZH stream (default: compression on)\n"
                       "  --add-key N            default ") +
           std::to_string(tessavel::kAddKey) +
           "   (the desktop program's constants, so files\n"
           "  --mult-key N           default " +
           std::to_string(tessavel::kMultKey) +
           "    made by either open in the other)\n"
           "  --force                replace existing results (without it they are refused)\n"
           "  --threads N            threads to work on, 1 to " +
           std::to_string(lzh::kMaxThreads) + " (default: the machine's, at most " +
           std::to_string(lzh::kDefaultThreadLimit) +
           ")\n"
           "  --quiet                no progress display\n"
           "  --help, -h, --version\n"
           "The password is asked once (twice to encrypt) on the terminal, or read as one line from standard\n"
           "input. DEST may be SOURCE: the file is then replaced in place. check says whether the password\n"
           "fits each FILE and writes nothing.\n"
           "Exit status: 0 done, 1 the password did not fit some file (and nothing else failed), 2 usage\n"
           "error (nothing touched), 3 other failure, 128+N stopped by signal N.\n";
}

namespace {

std::int32_t Number(const std::string& option, const std::string& text) {
    std::int32_t value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') ++first;
    const auto [end, error] = std::from_chars(first, last, value);
    if (first == last || error != std::errc() || end != last)
        throw UsageError{option + " takes a 32-bit whole number, not \"" + text + "\""};
    return value;
}

unsigned Threads(const std::string& text) {
    const std::int32_t n = Number("--threads", text);
    if (n < 1 || static_cast<unsigned>(n) > lzh::kMaxThreads)
        throw UsageError{"--threads takes 1 to " + std::to_string(lzh::kMaxThreads) + ", not " + text};
    return static_cast<unsigned>(n);
}

// The options, each with what it does to Options given its value (empty
// for an option without one).
struct Flag {
    const char* name;
    bool takesValue;
    void (*apply)(Options& options, const std::string& value);
};
constexpr Flag kFlags[] = {
    {"--in-place", false, [](Options& o, const std::string&) { o.inPlace = true; }},
    {"--output-dir", true, [](Options& o, const std::string& v) { o.outputDir = v; }},
    {"--password-file", true, [](Options& o, const std::string& v) { o.passwordFile = v; }},
    {"--no-compression", false, [](Options& o, const std::string&) { o.compression = false; }},
    {"--add-key", true, [](Options& o, const std::string& v) { o.addKey = Number("--add-key", v); }},
    {"--mult-key", true, [](Options& o, const std::string& v) { o.multKey = Number("--mult-key", v); }},
    {"--force", false, [](Options& o, const std::string&) { o.force = true; }},
    {"--quiet", false, [](Options& o, const std::string&) { o.quiet = true; }},
    {"--threads", true, [](Options& o, const std::string& v) { o.threads = Threads(v); }},
};

struct Word {
    const char* name;
    Command command;
};
constexpr Word kCommands[] = {{"encrypt", Command::Encrypt}, {"decrypt", Command::Decrypt}, {"check", Command::Check}};
constexpr Word kAnyTime[] = {{"--help", Command::Help}, {"-h", Command::Help}, {"--version", Command::Version}};

// What the command and the files allow together.
void CheckCombination(const Options& o) {
    for (const std::string& file : o.files)
        if (file.empty()) throw UsageError{"file names must not be empty"};
    if (o.addKey == 0) throw UsageError{"--add-key must not be 0"};
    if (o.multKey == 0) throw UsageError{"--mult-key must not be 0"};
    if (o.outputDir && o.outputDir->empty()) throw UsageError{"--output-dir needs a folder's name"};
    if (o.command == Command::Check) {
        if (o.inPlace || o.outputDir || o.force)
            throw UsageError{"check writes nothing: --in-place, --output-dir and --force do not go with it"};
        if (o.files.empty()) throw UsageError{"check needs at least one FILE"};
        return;
    }
    if (o.inPlace && o.outputDir) throw UsageError{"--in-place and --output-dir do not go together"};
    if (o.inPlace || o.outputDir) {
        if (o.files.empty()) throw UsageError{"at least one FILE is needed"};
    } else if (o.files.size() != 2) {
        throw UsageError{"SOURCE and DEST are needed, and nothing more (or --in-place or --output-dir DIR with FILEs)"};
    }
}

}  // namespace

Options Parse(const std::vector<std::string>& args) {
    Options options;
    bool commandSeen = false;
    bool endOfOptions = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!endOfOptions && arg.size() > 1 && arg[0] == '-') {
            if (arg == "--") {
                endOfOptions = true;
                continue;
            }
            for (const Word& word : kAnyTime) {
                if (arg == word.name) {
                    options.command = word.command;
                    return options;
                }
            }
            if (arg == "--password" || arg.rfind("--password=", 0) == 0 || arg == "-p")
                throw UsageError{"a password is never taken from the command line: use --password-file or the prompt"};
            const Flag* flag = nullptr;
            for (const Flag& f : kFlags) {
                if (arg == f.name) flag = &f;
            }
            if (flag == nullptr) throw UsageError{"unknown option " + arg};
            if (flag->takesValue && i + 1 >= args.size()) throw UsageError{arg + " needs a value"};
            flag->apply(options, flag->takesValue ? args[++i] : std::string());
            continue;
        }
        if (!commandSeen) {
            commandSeen = true;
            const Word* command = nullptr;
            for (const Word& word : kCommands) {
                if (arg == word.name) command = &word;
            }
            if (command == nullptr) throw UsageError{"unknown command \"" + arg + "\": use encrypt, decrypt or check"};
            options.command = command->command;
            continue;
        }
        options.files.push_back(arg);
    }
    if (!commandSeen) throw UsageError{"no command given"};
    CheckCombination(options);
    return options;
}

std::vector<Job> Jobs(const Options& options) {
    std::vector<Job> jobs;
    if (options.command != Command::Check && !options.inPlace && !options.outputDir) {
        jobs.push_back({options.files.at(0), options.files.at(1)});
        return jobs;
    }
    std::string folder = options.outputDir.value_or("");
    if (!folder.empty() && rt::FolderOf(folder) != folder) folder += '/';
    for (const std::string& file : options.files) {
        Job job{file, options.inPlace ? file : std::string()};
        if (options.outputDir) {
            const std::string name = file.substr(rt::FolderOf(file).size());
            if (name.empty() || name == "." || name == "..") throw UsageError{file + " names no file to put into " + folder};
            job.result = folder + name;
            for (const Job& earlier : jobs) {
                if (earlier.result == job.result)
                    throw UsageError{earlier.source + " and " + file + " would both go to " + job.result};
            }
        }
        jobs.push_back(std::move(job));
    }
    return jobs;
}

std::vector<std::string> Vocabulary() {
    std::vector<std::string> words;
    for (const Word& word : kCommands) words.emplace_back(word.name);
    for (const Word& word : kAnyTime) words.emplace_back(word.name);
    for (const Flag& flag : kFlags) words.emplace_back(flag.name);
    words.emplace_back("--");
    return words;
}

std::string PasswordBytes(const std::string& utf8) {
    auto bytes = rt::Utf8ToCp1251(utf8);
    if (!bytes) throw UsageError{"the password holds a character that Windows-1251 does not have"};
    if (bytes->size() > TCryptLib::kMaxPasswordLength) {
        rt::SecureZero(bytes->data(), bytes->size());
        throw UsageError{"the password is longer than " + std::to_string(TCryptLib::kMaxPasswordLength) + " characters"};
    }
    return std::move(*bytes);
}

std::string FirstLine(const std::string& text) {
    // Editors on Windows like to start UTF-8 files with a byte order mark.
    const std::size_t start = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    const std::size_t end = text.find_first_of("\r\n", start);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace cli

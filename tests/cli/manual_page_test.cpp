// The manual page against the commands and options the parser knows.
#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/options.h"

namespace {

// The words in bold at the head of each item of the manual page's COMMANDS
// and OPTIONS sections, with roff's "\-" read as "-".
std::set<std::string> ManualItems(const std::string& page) {
    std::set<std::string> items;
    std::istringstream lines(page);
    std::string line;
    std::string section;
    bool head = false;
    while (std::getline(lines, line)) {
        for (std::size_t at; (at = line.find("\\-")) != std::string::npos;) line.replace(at, 2, "-");
        if (line.rfind(".SH ", 0) == 0) section = line.substr(4);
        if (line == ".TP" || line == ".TQ") {
            head = true;
            continue;
        }
        if (!head || (section != "COMMANDS" && section != "OPTIONS")) continue;
        head = false;
        // The macro's arguments, "quoted" ones with their spaces; .B sets
        // them all in bold, .BI and .BR every other one from the first.
        std::vector<std::string> arguments;
        for (std::size_t at = line.find(' '); at < line.size(); ++at) {
            if (line[at] == ' ') continue;
            const bool quoted = line[at] == '"';
            const std::size_t end = line.find(quoted ? '"' : ' ', at + 1);
            arguments.push_back(line.substr(at + quoted, std::min(end, line.size()) - at - quoted));
            at = std::min(end, line.size());
        }
        for (std::size_t i = 0; i < arguments.size(); ++i) {
            if (line.rfind(".B ", 0) == 0 || i % 2 == 0) items.insert(arguments[i]);
        }
    }
    return items;
}

TEST(CliOptions, TheManualPageNamesEveryCommandAndOptionAndNoOther) {
    std::ifstream in(TESSAVEL_MAN_PAGE);
    ASSERT_TRUE(in) << TESSAVEL_MAN_PAGE;
    const std::string page{std::istreambuf_iterator<char>(in), {}};
    const std::vector<std::string> vocabulary = cli::Vocabulary();
    EXPECT_EQ(ManualItems(page), std::set<std::string>(vocabulary.begin(), vocabulary.end()));
}

}  // namespace

// The work of one tessavel-cli run: its files one after another with one
// password, each failure told and passed over, a stop request obeyed at the
// next block.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/progress.h"

namespace cli {

// Refusals that the file system decides, made before the password is asked
// and any file touched (UsageError): an output folder that is none, one
// file named twice for work in place, existing results without --force.
void CheckBeforeWork(const Options& options, const std::vector<Job>& jobs);

enum class Outcome { NotStarted, Done, BadPassword, Failed, Stopped };

struct BatchReport {
    std::vector<Outcome> outcomes;  // one for each job, in order

    bool Stopped() const;
    // 0 all done; 1 the password did not fit some file and nothing else
    // failed; 3 anything else failed.  (A stopped run ends by its signal.)
    int ExitStatus() const;
};

// Runs the jobs in order.  A file that fails is named with the reason on
// `line` and the next one runs.  When `stopRequested` says so, the job in
// hand leaves by its failure path, which puts its files back as they were,
// and no other starts; the run then says which files were done.
BatchReport RunBatch(const Options& options, const std::vector<Job>& jobs, const std::string& password,
                     const std::function<bool()>& stopRequested, ProgressLine& line);

}  // namespace cli

#pragma once
// The results of grading a class (tavrin-cli test): every chart against every
// case, with what the reports need. The JSON report holds all of it, so that
// the reports of shards can be joined into the report of one whole run.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace grade {

enum class ResultKind { Pass, Wrong, Time, Steps, Memory, Error, Input };

// "pass", "wrong", ... in the machine-readable reports.
std::string_view KindName(ResultKind kind);
std::optional<ResultKind> KindFromName(std::string_view name);
// ✓ ✗ T S M E I in the terminal table.
std::string_view KindSymbol(ResultKind kind);
// "wrong output", "time limit", ... for people.
std::string_view KindTitle(ResultKind kind);

struct CaseResult {
    ResultKind kind { ResultKind::Pass };
    double seconds { 0 };
    std::uint64_t steps { 0 };
    std::string reason;  // empty on a pass
    std::string boxPath; // the failing box, for evaluation errors
    int outlineLine { 0 };
    std::string output;  // the run's output (UTF-8), kept for failed runs only
};

struct Requirement {
    std::string name; // "branch:2", "max-depth:3"
    long need { 0 };
    long have { 0 };
    bool met { true };
};

struct ChartReport {
    std::string path;
    std::string loadError; // the reason the chart could not be read, or empty
    std::string svg;
    std::string structure; // the same for charts with the same tree of kinds and texts
    std::vector<Requirement> requirements;
    std::vector<CaseResult> results; // one per case, in case order

    int Passed() const;
    bool AllPassed() const; // readable, every case passed, every requirement met
};

struct CaseInfo {
    std::string name;
    std::string input;    // bytes of NAME.in
    std::string expected; // expected output (UTF-8)
};

struct Report {
    std::string compare { "exact" };
    double tolerance { 1e-6 };
    std::vector<std::string> requirements; // as given on the command line
    std::vector<CaseInfo> cases;
    std::vector<ChartReport> charts;

    bool AllPassed() const;
};

std::string WriteJson(const Report& report);
// Throws std::runtime_error with a reason when the text is no report.
Report ReadJson(std::string_view text);
// Joins shard reports; throws std::runtime_error when they do not belong together.
Report MergeReports(std::vector<Report> parts);

std::string WriteCsv(const Report& report);
std::string WriteJunit(const Report& report);
std::string WriteHtml(const Report& report);
// The table and the per-case lines for the terminal.
std::string WriteTable(const Report& report);

// The valid UTF-8 of bytes, each byte of a bad sequence as U+FFFD.
std::string ValidUtf8(std::string_view bytes);

} // namespace grade

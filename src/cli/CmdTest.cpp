// tavrin-cli test: grades a class. Every chart runs against every case of a
// folder of inputs and expected outputs, each run in a child process of its
// own, and the results go to the terminal and to report files.
#include "cli/Commands.h"

#include "model/BoxPath.h"
#include "model/CArchive.h"
#include "model/CBoxSequence.h"
#include "model/CBranchBox.h"
#include "model/CPreTestLoopBox.h"
#include "model/CProcessBox.h"
#include "layout/CSvgDC.h"
#include "model/CTavrinDoc.h"
#include "cli/CmdTestCompare.h"
#include "cli/CmdTestReport.h"
#include "cli/CmdTestRunner.h"
#include "model/FileIO.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* kTestUsage =
    "usage: tavrin-cli test CHART_OR_FOLDER... --cases DIR [options]\n"
    "       tavrin-cli test --merge REPORT.json... [--json|--csv|--junit|--html FILE]\n"
    "\n"
    "Runs every chart (.pad files; folders are searched recursively) against\n"
    "every case in DIR: NAME.in is the standard input (empty when missing),\n"
    "NAME.out the expected standard output, UTF-8 as tavrin-cli run writes it.\n"
    "\n"
    "  --cases DIR            the folder of cases\n"
    "  --expected-from MODEL  make the expected outputs by running MODEL.pad\n"
    "  --compare MODE         exact (bytes, the default), lines (trailing blanks\n"
    "                         and blank lines at the end ignored) or numbers\n"
    "  --tolerance X          relative tolerance of --compare numbers (1e-6)\n"
    "  --timeout SECONDS      time limit of each run (5)\n"
    "  --max-steps N          step limit of each run (10000000)\n"
    "  --memory MB            memory limit of each run (256)\n"
    "  --max-output KB        output kept of each run; more stops it (1024)\n"
    "  -j N                   runs at once (the number of processors)\n"
    "  --require KIND[:N]     at least N (1) boxes of KIND: simple, branch,\n"
    "                         pre-loop, post-loop, input, output (repeatable)\n"
    "  --max-depth N          at most N containers around any box\n"
    "  --shard K/N            grade only the charts at positions K, K+N, ...\n"
    "                         (from 0) of the sorted list\n"
    "  --json FILE, --csv FILE, --junit FILE, --html FILE   write reports\n"
    "\n"
    "Results: \xE2\x9C\x93 pass, \xE2\x9C\x97 wrong output, T time limit, S step limit,\n"
    "M memory limit, E evaluation error, I input ran out.\n"
    "\n"
    "exit status: 0 every run of every chart passed (and every requirement\n"
    "was met), 1 anything failed, 2 usage error or unusable cases\n";

struct TestOptions {
    std::vector<std::string> inputs;
    std::string casesDir;
    std::string modelPath;
    grade::CompareMode compare { grade::CompareMode::Exact };
    std::string compareName { "exact" };
    double tolerance { 1e-6 };
    grade::RunBounds bounds;
    int workers { 0 };
    std::vector<std::pair<std::string, long>> requirements; // kind name, count
    std::vector<std::string> requirementTexts;
    std::optional<long> maxDepth;
    long shardIndex { 0 };
    long shardCount { 1 };
    bool merge { false };
    std::string json, csv, junit, html;
};

int UsageError(const std::string& message)
{
    std::fprintf(stderr, "tavrin-cli test: %s\n\n%s", message.c_str(), kTestUsage);
    return kExitUsage;
}

int Failure(const std::string& message)
{
    std::fprintf(stderr, "tavrin-cli test: %s\n", message.c_str());
    return kExitUsage;
}

template <typename T>
std::optional<T> ParseNumber(std::string_view text)
{
    T value {};
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc {} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

constexpr std::array<std::string_view, 6> kKindNames { "simple", "branch", "pre-loop", "post-loop", "input", "output" };

// ---- the charts themselves ----------------------------------------------

void CountBoxes(const CBoxSequence& seq, int depth, std::map<std::string, long>& counts, long& deepest)
{
    for (const auto& owned : seq.m_boxes) {
        const CProcessBox& box = *owned;
        ++counts[std::string(OutlineKindName(box.Kind()))];
        deepest = std::max<long>(deepest, depth);
        if (box.Kind() == BoxKind::Branch) {
            CountBoxes(static_cast<const CBranchBox&>(box).m_thenSeq, depth + 1, counts, deepest);
            CountBoxes(static_cast<const CBranchBox&>(box).m_elseSeq, depth + 1, counts, deepest);
        } else if (box.Kind() == BoxKind::PreTestLoop || box.Kind() == BoxKind::PostTestLoop) {
            CountBoxes(static_cast<const CPreTestLoopBox&>(box).m_bodySeq, depth + 1, counts, deepest);
        }
    }
}

// The tree of kinds and texts, without blanks (ASCII blanks, line breaks and
// the ideographic space of code page 932, 0x81 0x40).
void Structure(const CBoxSequence& seq, std::string& out)
{
    out += '[';
    for (const auto& owned : seq.m_boxes) {
        const CProcessBox& box = *owned;
        out += std::to_string(static_cast<int>(box.Kind())) + '"';
        const std::string& text = box.m_text;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto b = static_cast<unsigned char>(text[i]);
            const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
            if (lead && i + 1 < text.size()) {
                if (!(b == 0x81 && text[i + 1] == 0x40))
                    out.append(text, i, 2);
                ++i;
                continue;
            }
            if (b == '"' || b == '\\')
                out += '\\';
            if (b != ' ' && b != '\t' && b != '\r' && b != '\n')
                out += static_cast<char>(b);
        }
        out += '"';
        if (box.Kind() == BoxKind::Branch) {
            Structure(static_cast<const CBranchBox&>(box).m_thenSeq, out);
            Structure(static_cast<const CBranchBox&>(box).m_elseSeq, out);
        } else if (box.Kind() == BoxKind::PreTestLoop || box.Kind() == BoxKind::PostTestLoop) {
            Structure(static_cast<const CPreTestLoopBox&>(box).m_bodySeq, out);
        }
    }
    out += ']';
}

std::string StructureKey(const CBoxSequence& root)
{
    std::string text;
    Structure(root, text);
    std::uint64_t hash = 0xcbf29ce484222325ULL; // FNV-1a
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 0x100000001b3ULL;
    }
    char buffer[20];
    std::snprintf(buffer, sizeof buffer, "%016llx", static_cast<unsigned long long>(hash));
    return buffer;
}

// Loads a chart; the reason it cannot be, or empty.
std::string Load(CTavrinDoc& doc, const std::string& path)
{
    try {
        doc.Load(path);
        return {};
    } catch (const CFileError& error) {
        return error.Reason();
    } catch (const std::exception& error) {
        return error.what();
    }
}

// ---- command line -------------------------------------------------------

std::optional<int> ParseArgs(const CliArgs& args, TestOptions& options)
{
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            options.inputs.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            std::fputs(kTestUsage, stdout);
            return 0;
        }
        if (arg == "--merge") {
            options.merge = true;
            continue;
        }
        // Every other option takes a value, as "--name VALUE" or "--name=VALUE".
        std::string name = arg, value;
        if (const auto equals = arg.find('='); equals != std::string::npos && arg.starts_with("--")) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
        } else if (arg.size() > 2 && arg.starts_with("-j")) {
            name = "-j";
            value = arg.substr(2);
        } else {
            static const std::set<std::string> kValued { "--cases", "--expected-from", "--compare", "--tolerance", "--timeout",
                "--max-steps", "--memory", "--max-output", "-j", "--require", "--max-depth", "--shard", "--json", "--csv", "--junit",
                "--html" };
            if (!kValued.contains(arg))
                return UsageError("unknown option '" + arg + "'");
            if (i + 1 >= args.size())
                return UsageError(arg + " needs a value");
            value = args[++i];
        }
        if (name == "--cases") {
            options.casesDir = value;
        } else if (name == "--expected-from") {
            options.modelPath = value;
        } else if (name == "--compare") {
            const auto mode = grade::CompareModeFromName(value);
            if (!mode)
                return UsageError("--compare needs exact, lines or numbers, not '" + value + "'");
            options.compare = *mode;
            options.compareName = value;
        } else if (name == "--tolerance") {
            const auto v = ParseNumber<double>(value);
            if (!v || !std::isfinite(*v) || *v < 0)
                return UsageError("--tolerance needs a number of at least 0, not '" + value + "'");
            options.tolerance = *v;
        } else if (name == "--timeout") {
            const auto v = ParseNumber<double>(value);
            if (!v || !std::isfinite(*v) || *v <= 0 || *v > 86400)
                return UsageError("--timeout needs a positive number of seconds (at most 86400), not '" + value + "'");
            options.bounds.timeoutSeconds = *v;
        } else if (name == "--max-steps") {
            const auto v = ParseNumber<std::uint64_t>(value);
            if (!v || *v == 0)
                return UsageError("--max-steps needs a positive whole number, not '" + value + "'");
            options.bounds.maxSteps = *v;
        } else if (name == "--memory") {
            const auto v = ParseNumber<std::uint64_t>(value);
            if (!v || *v == 0 || *v > 1024 * 1024)
                return UsageError("--memory needs a positive number of megabytes, not '" + value + "'");
            options.bounds.memoryMegabytes = *v;
        } else if (name == "--max-output") {
            const auto v = ParseNumber<std::uint64_t>(value);
            if (!v || *v == 0 || *v > 1024 * 1024)
                return UsageError("--max-output needs a positive number of kilobytes, not '" + value + "'");
            options.bounds.maxOutputBytes = static_cast<std::size_t>(*v) * 1024;
        } else if (name == "-j") {
            const auto v = ParseNumber<int>(value);
            if (!v || *v <= 0 || *v > 1024)
                return UsageError("-j needs a positive number of runs, not '" + value + "'");
            options.workers = *v;
        } else if (name == "--require") {
            const auto colon = value.find(':');
            const std::string kind = value.substr(0, colon);
            long count = 1;
            if (colon != std::string::npos) {
                const auto v = ParseNumber<long>(std::string_view(value).substr(colon + 1));
                if (!v || *v < 0)
                    return UsageError("--require needs KIND or KIND:N with N a whole number, not '" + value + "'");
                count = *v;
            }
            if (std::find(kKindNames.begin(), kKindNames.end(), kind) == kKindNames.end())
                return UsageError("--require: unknown kind '" + kind + "' (simple, branch, pre-loop, post-loop, input, output)");
            options.requirements.emplace_back(kind, count);
            options.requirementTexts.push_back(kind + ":" + std::to_string(count));
        } else if (name == "--max-depth") {
            const auto v = ParseNumber<long>(value);
            if (!v || *v < 0)
                return UsageError("--max-depth needs a whole number, not '" + value + "'");
            options.maxDepth = *v;
        } else if (name == "--shard") {
            const auto slash = value.find('/');
            const auto k = slash == std::string::npos ? std::nullopt : ParseNumber<long>(std::string_view(value).substr(0, slash));
            const auto n = slash == std::string::npos ? std::nullopt : ParseNumber<long>(std::string_view(value).substr(slash + 1));
            if (!k || !n || *n <= 0 || *k < 0 || *k >= *n)
                return UsageError("--shard needs K/N with 0 <= K < N, not '" + value + "'");
            options.shardIndex = *k;
            options.shardCount = *n;
        } else if (name == "--json") {
            options.json = value;
        } else if (name == "--csv") {
            options.csv = value;
        } else if (name == "--junit") {
            options.junit = value;
        } else if (name == "--html") {
            options.html = value;
        } else {
            return UsageError("unknown option '" + arg + "'");
        }
    }
    return std::nullopt;
}

// ---- cases ---------------------------------------------------------------

std::optional<std::string> ReadCases(const TestOptions& options, std::vector<grade::CaseInfo>& cases)
{
    std::error_code ec;
    if (!fs::is_directory(options.casesDir, ec))
        return options.casesDir + ": not a folder of cases";
    std::map<std::string, std::pair<bool, bool>> names; // has .in, has .out
    for (const auto& entry : fs::directory_iterator(options.casesDir, ec)) {
        const auto ext = entry.path().extension();
        if (ext == ".in")
            names[entry.path().stem().string()].first = true;
        else if (ext == ".out")
            names[entry.path().stem().string()].second = true;
    }
    if (ec)
        return options.casesDir + ": " + ec.message();
    for (const auto& [name, has] : names) {
        if (!options.modelPath.empty() && !has.first && !has.second)
            continue;
        if (options.modelPath.empty() && !has.second)
            return "case " + name + " has no expected output " + name + ".out";
        grade::CaseInfo info;
        info.name = name;
        const std::string base = (fs::path(options.casesDir) / name).string();
        try {
            if (has.first)
                info.input = ReadWholeFile(base + ".in");
            if (has.second && options.modelPath.empty())
                info.expected = ReadWholeFile(base + ".out");
        } catch (const CFileError& error) {
            return error.what();
        }
        cases.push_back(std::move(info));
    }
    if (cases.empty())
        return options.casesDir + ": no cases (NAME.in and NAME.out files)";
    return std::nullopt;
}

// ---- charts --------------------------------------------------------------

std::vector<std::string> FindCharts(const std::vector<std::string>& inputs)
{
    std::set<std::string> paths;
    for (const auto& input : inputs) {
        std::error_code ec;
        if (fs::is_directory(input, ec)) {
            for (auto it = fs::recursive_directory_iterator(input, fs::directory_options::skip_permission_denied, ec);
                 !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
                if (it->path().extension() == ".pad" && !it->is_directory(ec))
                    paths.insert(it->path().lexically_normal().string());
            }
            if (ec)
                paths.insert(input); // reported when loading
        } else {
            paths.insert(fs::path(input).lexically_normal().string());
        }
    }
    return { paths.begin(), paths.end() };
}

class CProgress {
public:
    explicit CProgress(std::size_t total) : m_total(total), m_shown(isatty(STDERR_FILENO) && total > 0) { }
    ~CProgress()
    {
        if (m_shown)
            std::fputs("\r\x1b[K", stderr);
    }
    void Step()
    {
        ++m_done;
        if (!m_shown)
            return;
        const auto now = std::chrono::steady_clock::now();
        if (m_done != m_total && now - m_last < std::chrono::milliseconds(100))
            return;
        m_last = now;
        constexpr std::size_t kWidth = 40;
        const std::size_t filled = m_done * kWidth / m_total;
        std::fprintf(stderr, "\r[%s%s] %zu/%zu runs", std::string(filled, '#').c_str(), std::string(kWidth - filled, ' ').c_str(), m_done, m_total);
        std::fflush(stderr);
    }

private:
    std::size_t m_total;
    std::size_t m_done { 0 };
    bool m_shown;
    std::chrono::steady_clock::time_point m_last {};
};

std::string LastErrorLine(const std::string& output)
{
    const std::string prefix = "Error -- \"";
    std::size_t at = output.rfind(prefix);
    while (at != std::string::npos && at != 0 && output[at - 1] != '\n')
        at = at == 0 ? std::string::npos : output.rfind(prefix, at - 1);
    if (at == std::string::npos)
        return {};
    const auto end = output.find('\n', at);
    return output.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

grade::CaseResult Grade(grade::RunResult&& run, const grade::CaseInfo& info, const TestOptions& options)
{
    using grade::ResultKind;
    grade::CaseResult result;
    result.seconds = run.seconds;
    result.steps = run.steps;
    const auto& b = options.bounds;
    switch (run.end) {
    case grade::RunEnd::Completed:
    case grade::RunEnd::Error: {
        // A run whose error line the teacher expects has passed.
        std::string difference = grade::Compare(info.expected, run.output, options.compare, options.tolerance);
        if (difference.empty()) {
            result.kind = ResultKind::Pass;
        } else if (run.end == grade::RunEnd::Error) {
            result.kind = ResultKind::Error;
            result.reason = LastErrorLine(run.output);
            if (result.reason.empty())
                result.reason = "an evaluation error";
            result.boxPath = run.boxPath;
            result.outlineLine = run.outlineLine;
        } else {
            result.kind = ResultKind::Wrong;
            result.reason = difference;
        }
        break;
    }
    case grade::RunEnd::Timeout:
        result.kind = ResultKind::Time;
        result.reason = "stopped after the time limit of " + grade::ShortNumber(b.timeoutSeconds) + " seconds";
        break;
    case grade::RunEnd::StepLimit:
        result.kind = ResultKind::Steps;
        result.reason = "stopped after the step limit of " + std::to_string(b.maxSteps) + " steps";
        break;
    case grade::RunEnd::MemoryLimit:
        result.kind = ResultKind::Memory;
        result.reason = "stopped at the memory limit of " + std::to_string(b.memoryMegabytes) + " MB";
        break;
    case grade::RunEnd::InputEnded:
        result.kind = ResultKind::Input;
        result.reason = "standard input ended while an input box was reading";
        break;
    case grade::RunEnd::OutputLimit:
        result.kind = ResultKind::Wrong;
        result.reason = "the output passed the limit of " + std::to_string(b.maxOutputBytes / 1024) + " KB; the run was stopped";
        break;
    case grade::RunEnd::Crashed:
        result.kind = ResultKind::Error;
        result.reason = run.signal ? "the run ended abnormally (" + std::string(strsignal(run.signal)) + ")" : "the run ended abnormally";
        break;
    }
    if (result.kind != ResultKind::Pass) {
        // Reports show the start of a failed run's output: a class of
        // flooding charts must not make the grader hold gigabytes.
        constexpr std::size_t kKeptOutput = 64 * 1024;
        if (run.output.size() > kKeptOutput) {
            std::size_t cut = kKeptOutput;
            while (cut > 0 && (static_cast<unsigned char>(run.output[cut]) & 0xC0) == 0x80)
                --cut;
            run.output.resize(cut);
            run.output.shrink_to_fit();
        }
        result.output = std::move(run.output);
    }
    return result;
}

bool WriteReport(const std::string& path, const std::string& text)
{
    if (path.empty())
        return true;
    try {
        WriteFileAtomically(path, text);
        return true;
    } catch (const CFileError& error) {
        std::fprintf(stderr, "tavrin-cli test: %s\n", error.what());
        return false;
    }
}

int Publish(const grade::Report& report, const TestOptions& options)
{
    std::fputs(grade::WriteTable(report).c_str(), stdout);
    std::fflush(stdout);
    bool written = WriteReport(options.json, grade::WriteJson(report));
    written &= WriteReport(options.csv, grade::WriteCsv(report));
    written &= WriteReport(options.junit, grade::WriteJunit(report));
    written &= WriteReport(options.html, grade::WriteHtml(report));
    if (!written)
        return kExitUsage;
    return report.AllPassed() ? 0 : 1;
}

int Merge(const TestOptions& options)
{
    if (options.inputs.empty())
        return UsageError("--merge needs the JSON reports to join");
    std::vector<grade::Report> parts;
    for (const auto& path : options.inputs) {
        try {
            parts.push_back(grade::ReadJson(ReadWholeFile(path)));
        } catch (const CFileError& error) {
            return Failure(error.what());
        } catch (const std::exception& error) {
            return Failure(path + ": " + error.what());
        }
    }
    try {
        return Publish(grade::MergeReports(std::move(parts)), options);
    } catch (const std::exception& error) {
        return Failure(error.what());
    }
}

} // namespace

int CmdTest(const CliArgs& args)
{
    TestOptions options;
    if (auto status = ParseArgs(args, options))
        return *status;
    if (options.merge)
        return Merge(options);
    if (options.casesDir.empty())
        return UsageError("no --cases folder given");
    if (options.inputs.empty())
        return UsageError("no chart or folder of charts given");
    if (options.workers <= 0)
        options.workers = static_cast<int>(std::max(1L, sysconf(_SC_NPROCESSORS_ONLN)));

    grade::Report report;
    report.compare = options.compareName;
    report.tolerance = options.tolerance;
    report.requirements = options.requirementTexts;
    if (options.maxDepth)
        report.requirements.push_back("max-depth:" + std::to_string(*options.maxDepth));
    if (auto problem = ReadCases(options, report.cases))
        return Failure(*problem);

    if (!options.modelPath.empty()) {
        CTavrinDoc model;
        const std::string reason = Load(model, options.modelPath);
        if (!reason.empty())
            return Failure(options.modelPath + ": " + reason);
        std::vector<grade::RunJob> jobs;
        for (const auto& c : report.cases)
            jobs.push_back({ &model.m_root, &c.input });
        std::string problem;
        grade::RunJobs(jobs, options.bounds, options.workers, [&](std::size_t job, grade::RunResult&& run) {
            if (run.end == grade::RunEnd::Completed || run.end == grade::RunEnd::Error)
                report.cases[job].expected = std::move(run.output);
            else if (problem.empty())
                problem = "the model chart " + options.modelPath + " does not finish case " + report.cases[job].name + ": "
                    + Grade(std::move(run), report.cases[job], options).reason;
        });
        if (!problem.empty())
            return Failure(problem);
    }

    const std::vector<std::string> all = FindCharts(options.inputs);
    std::vector<std::unique_ptr<CTavrinDoc>> docs;
    for (std::size_t position = 0; position < all.size(); ++position) {
        if (static_cast<long>(position % static_cast<std::size_t>(options.shardCount)) != options.shardIndex)
            continue;
        grade::ChartReport chart;
        chart.path = all[position];
        auto doc = std::make_unique<CTavrinDoc>();
        chart.loadError = Load(*doc, chart.path);
        if (chart.loadError.empty()) {
            std::map<std::string, long> counts;
            long depth = 0;
            CountBoxes(doc->m_root, 0, counts, depth);
            for (const auto& [kind, need] : options.requirements)
                chart.requirements.push_back({ kind + ":" + std::to_string(need), need, counts[kind], counts[kind] >= need });
            if (options.maxDepth)
                chart.requirements.push_back({ "max-depth:" + std::to_string(*options.maxDepth), *options.maxDepth, depth, depth <= *options.maxDepth });
            chart.structure = StructureKey(doc->m_root);
            chart.results.resize(report.cases.size());
        } else {
            doc.reset();
        }
        report.charts.push_back(std::move(chart));
        docs.push_back(std::move(doc));
    }
    if (all.empty())
        return UsageError("no charts found");

    std::vector<grade::RunJob> jobs;
    std::vector<std::pair<std::size_t, std::size_t>> slots; // chart, case
    for (std::size_t c = 0; c < docs.size(); ++c) {
        if (!docs[c])
            continue;
        for (std::size_t k = 0; k < report.cases.size(); ++k) {
            jobs.push_back({ &docs[c]->m_root, &report.cases[k].input });
            slots.emplace_back(c, k);
        }
    }
    {
        CProgress progress(jobs.size());
        grade::RunJobs(jobs, options.bounds, options.workers, [&](std::size_t job, grade::RunResult&& run) {
            const auto [c, k] = slots[job];
            report.charts[c].results[k] = Grade(std::move(run), report.cases[k], options);
            progress.Step();
        });
    }
    // Drawn after the runs: drawing lays the chart out again, and the runs
    // must see the chart exactly as it was loaded.
    if (!options.html.empty() || !options.json.empty())
        for (std::size_t c = 0; c < docs.size(); ++c)
            if (docs[c])
                report.charts[c].svg = DrawChartSvg(docs[c]->m_root);
    return Publish(report, options);
}

#pragma once
// Charts built in code and an in-memory console for the execution tests.

#include "model/CBoxSequence.h"
#include "model/CBranchBox.h"
#include "base/CConsole.h"
#include "model/CInputBox.h"
#include "model/COutputBox.h"
#include "model/CPostTestLoopBox.h"
#include "model/CSimpleBox.h"
#include "exec/RunDriver.h"

#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace exec_test {

using BoxPtr = std::unique_ptr<CProcessBox>;
using Arm = std::vector<BoxPtr>;

template <class Kind>
std::unique_ptr<Kind> MakeBox(std::string text)
{
    auto box = std::make_unique<Kind>(0, 0, 150, 25);
    box->m_text = std::move(text);
    return box;
}

inline BoxPtr Simple(std::string text) { return MakeBox<CSimpleBox>(std::move(text)); }
inline BoxPtr Out(std::string text) { return MakeBox<COutputBox>(std::move(text)); }
inline BoxPtr In(std::string text) { return MakeBox<CInputBox>(std::move(text)); }

template <class... Boxes>
Arm Seq(Boxes... boxes)
{
    Arm arm;
    (arm.push_back(std::move(boxes)), ...);
    return arm;
}

inline void Fill(CBoxSequence& sequence, Arm boxes)
{
    for (auto& box : boxes)
        sequence.m_boxes.push_back(std::move(box));
}

template <class... Boxes>
BoxPtr Pre(std::string header, Boxes... body)
{
    auto box = MakeBox<CPreTestLoopBox>(std::move(header));
    Fill(box->m_bodySeq, Seq(std::move(body)...));
    return box;
}

template <class... Boxes>
BoxPtr Post(std::string header, Boxes... body)
{
    auto box = MakeBox<CPostTestLoopBox>(std::move(header));
    Fill(box->m_bodySeq, Seq(std::move(body)...));
    return box;
}

inline BoxPtr Branch(std::string condition, Arm thenArm, Arm elseArm = {})
{
    auto box = MakeBox<CBranchBox>(std::move(condition));
    Fill(box->m_thenSeq, std::move(thenArm));
    Fill(box->m_elseSeq, std::move(elseArm));
    return box;
}

template <class... Boxes>
std::unique_ptr<CRootSequence> Chart(Boxes... boxes)
{
    auto root = std::make_unique<CRootSequence>();
    Fill(*root, Seq(std::move(boxes)...));
    return root;
}

// Scripted input lines, captured output; optionally clears the run flag
// after a number of line ends, as a user pressing Ctrl+C would.
class CScriptConsole : public CConsole {
public:
    explicit CScriptConsole(std::vector<std::string> lines = {}, int stopAfterLines = 0)
        : m_lines(lines.begin(), lines.end()), m_stopAfterLines(stopAfterLines)
    {
    }

    std::string m_output;
    int m_reads { 0 };

protected:
    void Output(std::string_view bytes) override
    {
        m_output.append(bytes);
        if (m_stopAfterLines > 0) {
            for (char c : bytes)
                if (c == '\n' && ++m_lineEnds >= m_stopAfterLines)
                    g_running = 0;
        }
    }
    bool Input(std::string& line) override
    {
        ++m_reads;
        if (m_lines.empty())
            return false;
        line = m_lines.front();
        m_lines.pop_front();
        return true;
    }

private:
    std::deque<std::string> m_lines;
    int m_stopAfterLines { 0 };
    int m_lineEnds { 0 };
};

struct RunResult {
    RunOutcome outcome { RunOutcome::Completed };
    std::string output; // without the exit prompt
    bool promptShown { false };
};

inline RunResult RunScripted(CRootSequence& root, std::vector<std::string> input = {}, int stopAfterLines = 0)
{
    CScriptConsole console(std::move(input), stopAfterLines);
    RunResult result;
    result.outcome = RunChart(root, console);
    result.output = console.m_output;
    const std::string_view prompt = CConsole::kExitPrompt;
    if (result.output.size() >= prompt.size() && result.output.ends_with(prompt)) {
        result.output.resize(result.output.size() - prompt.size());
        result.promptShown = true;
    }
    return result;
}

} // namespace exec_test

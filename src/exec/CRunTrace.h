#pragma once
// A trace of a run for a teacher or a test: one line for each box executed,
// for each pass of a loop, and for a loop that changes variables as it ends.
// Fields are separated by tabs; a box line reads
//     PATH  KIND  TEXT  [CHANGES]
// a pass line
//     PATH  pass N  [CHANGES]
// and an end line
//     PATH  end  CHANGES
// PATH is the box's path in the outline notation of `tavrin-cli dump`, KIND
// its outline kind, TEXT its text in UTF-8 (control characters as blanks),
// CHANGES the variables changed by what the line stands for, as name=value
// pairs separated by blanks, values in the console's number format: a box
// line has the changes of the box's own text (a loop's header, a branch's
// condition), a pass line the loop's step and condition before that pass,
// an end line the ones that ended the loop.

#include "exec/CRunContext.h"
#include "interp/CVariableWatch.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

class CBoxSequence;

class CRunTrace : public CRunObserver {
public:
    // Each line is handed to `sink` without its line end.
    using Sink = std::function<void(std::string_view line)>;

    CRunTrace(const CBoxSequence& root, Sink sink);

    void OnStep(CRunContext& run, CProcessBox& box, RunStep where) override;
    // Writes what is still pending; call when Run has returned.
    void Finish(CRunContext& run);

    // The path of a box in the traced chart ("?" when it is not in it).
    const std::string& PathOf(const CProcessBox& box);

private:
    std::string TakeChanges(CRunContext& run);

    const CBoxSequence& m_root;
    Sink m_sink;
    CVariableWatch m_watch;
    std::string m_pending; // the line of the box under way, until its changes are known
    bool m_hasPending { false };
    std::unordered_map<const CProcessBox*, std::string> m_paths;
    std::unordered_map<const CProcessBox*, std::uint64_t> m_passes;
};

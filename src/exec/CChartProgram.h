#pragma once
// A whole chart compiled once per run into one flat list of operations: the
// boxes' texts (each compiled on first use, as the interpreter would) and the
// control flow of sequences, branches and loops as jumps, so that a
// run no longer re-enters the box tree for every box and every loop pass.
//
// It does exactly what walking the boxes does (BoxExecute.cpp): the same
// evaluations in the same order, the same steps counted and checked, the run
// flag read at the same points, the same failed box and error line. A
// counting loop whose condition and step come out as "var <= limit" and
// "var += step" (or "var ++") runs them as a compare and an add on the
// variable's slot. Input and output boxes are executed by their own
// Execute.
//
// Only for runs without an observer: stepping, breakpoints and traces walk
// the boxes, which tell the observer of every step.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class CBoxSequence;
class CCompiledText;
class CExchange;
class CProcessBox;
class CRunContext;

class CChartProgram {
public:
    explicit CChartProgram(CBoxSequence& root);
    ~CChartProgram();
    CChartProgram(const CChartProgram&) = delete;
    CChartProgram& operator=(const CChartProgram&) = delete;

    // Whether the chart can run this way: every box's editor, if it has
    // one, holds the box's text (a box with an editor takes its text afresh
    // each time it runs).
    static bool Suits(const CBoxSequence& root);

    // Executes the chart as CBoxSequence::Execute would; errors and loop
    // codes leave as they would from there.
    void Run(CRunContext& run);

private:
    struct COp;
    struct CLoop;
    struct CTarget;

    void CompileSequence(const CBoxSequence& sequence, int loop);
    void CompileBox(CProcessBox& box, std::uint32_t sequenceEnd, int loop, std::vector<std::uint32_t>& toEnd);
    const CCompiledText& Text(COp& op, CRunContext& run);
    const CCompiledText& Compile(COp& op, CRunContext& run);
    const CCompiledText& LoopText(const std::string& text, std::unique_ptr<CCompiledText>& own, CRunContext& run);
    static bool NativeCount(CLoop& loop);
    // The passes of a counting loop whose body is one simple box, from its
    // LoopNext `op`; kept out of Run, whose own registers it would take.
    struct CLoneEnd {
        std::uint64_t steps;
        bool clean;
    };
    CLoneEnd RunLoneLoop(CRunContext& run, CLoop& loop, COp& op, std::uint64_t steps, bool clean);
    // The passes of a loop whose body holds only simple boxes and branches,
    // a counting loop or one that tests its header, the same way.
    CLoneEnd RunFlatLoop(CRunContext& run, CLoop& loop, COp& op, std::uint64_t steps, bool clean);
    static void* NextHandler(const CLoop& loop, void* native, void* whileTest, void* general);
    // Finds the exchanges among a flat body's boxes compiled so far.
    void FindExchanges(CLoop& loop);
    // Where those two were when an error left them.
    std::uint32_t m_failedAt { 0 };

    std::vector<COp> m_ops;
    std::vector<CLoop> m_loops;
    std::vector<std::unique_ptr<CCompiledText>> m_texts;
    std::vector<std::unique_ptr<CExchange>> m_exchanges;
    static constexpr std::size_t kMaxLoopTexts = 256;
    std::unordered_map<std::string, std::unique_ptr<CCompiledText>> m_loopTexts;
};

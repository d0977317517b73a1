#include "exec/CChartProgram.h"

#include "model/CBoxEditor.h"

#include "base/CConsole.h"
#include "exec/CAccumulation.h"
#include "exec/CRunContext.h"
#include "exec/ChartExecution.h"
#include "interp/CCompiledText.h"
#include "interp/CInterpreter.h"
#include "interp/EvalError.h"
#include "interp/TokenKind.h"
#include "model/CBoxSequence.h"
#include "model/CBranchBox.h"
#include "model/CPreTestLoopBox.h"
#include "model/ForEachBox.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view kContinueText = "continue";
constexpr std::string_view kBreakText = "break";
constexpr std::uint32_t kNone = UINT32_MAX;

// The run's Step with the count kept in `steps`, a local of the caller (a
// register) while nothing observes the run; one past the limit goes through
// the run's Step, which stops the run as it would have.
inline bool TakeStep(CRunContext& run, std::uint64_t& steps, std::uint64_t limit, CProcessBox& box, RunStep where)
{
    if (++steps > limit) [[unlikely]] {
        run.SetSteps(steps - 1);
        return run.Step(box, where);
    }
    return true;
}

// EvaluateKept drops the interpreter's pending results each time; `clean`
// says that it holds none, so that a text of one expression is evaluated
// without dropping them first. Anything else the interpreter is asked may
// leave some.
inline void DropPending(CInterpreter& interp, bool& clean)
{
    if (!clean) [[unlikely]] {
        interp.DropPending();
        clean = true;
    }
}

// EvaluateKept and TestKept of a text, with `clean` kept.
inline double EvaluateText(CInterpreter& interp, const CCompiledText& text, CConsole* report, bool& clean)
{
    if (const CCompiledNode* node = text.Single()) [[likely]] {
        DropPending(interp, clean);
        return interp.EvaluateNode(*node, text, report);
    }
    clean = false;
    return interp.EvaluateKept(text, report);
}

inline bool TestText(CInterpreter& interp, const CCompiledText& text, CConsole* report, bool& clean)
{
    if (const CCompiledNode* node = text.Single()) [[likely]] {
        DropPending(interp, clean);
        return interp.TestNode(*node, text, report);
    }
    clean = false;
    return interp.TestKept(text, report);
}

// A pass of a counting loop run natively: the variable moves by the step
// (stored, and kept as the loop index while the loop goes on); whether the
// loop goes on.
inline bool CountPass(CVariableTable& vars, std::uint32_t slot, double delta, std::int32_t indexDelta, double last, bool downward)
{
    const double before = vars.Scalar(slot);
    const double x = before + delta;
    vars.SetScalar(slot, x);
    const bool again = downward ? x >= last : x <= last;
    if (again) [[likely]]
        vars.CountLoop(slot, before, x, indexDelta);
    return again;
}

} // namespace

// One operation. Every operation that executes a box first takes the box's
// step and, when that stops the run, goes to `end`: the end of the sequence
// holding the box, as a sequence returns there.
struct CChartProgram::COp {
    enum class Kind : std::uint8_t {
        Simple,    // a simple box's statement
        Break,     // "break": to the loop's exit, or thrown outside every loop
        Continue,  // "continue": to the loop's next pass, or thrown
        Branch,    // the condition; false goes to `target` (the else arm)
        Jump,      // to `target`, the branch's AfterBox (from the end of a then arm)
        AfterBox,  // a box is done: the sequence stops when the run flag dropped
        LoopHead,  // a pre-test loop's header; false goes to the loop's exit,
                   // true takes the first pass's step and goes on to the body
        PostHead,  // a post-test loop's header, then the first pass's step
        LoopNext,  // the counting step and the condition; true takes the
                   // pass's step and goes to `target`, the body
        Box,       // a box executed by its own Execute
        End,       // after the chart's last box
    };
    Kind kind { Kind::Simple };
    int loop { -1 }; // the innermost loop of this program around the box
    CProcessBox* box { nullptr };
    std::uint32_t end { kNone };
    std::uint32_t target { kNone };
    const CCompiledText* text { nullptr }; // compiled on first use
    const CCompiledNode* node { nullptr }; // its one expression, if it is one
    void* handler { nullptr }; // where Run carries out this kind
    // Where the run goes on after this box while it is running: the next
    // operation, or `target` of a branch, with the Jump and AfterBox
    // operations that only look at the run flag passed over. Between this
    // box's step and there, nothing could have cleared the flag but an
    // outside stop (Ctrl+C, a time limit), and for one of those a few
    // operations later is as good as a few nanoseconds later. A step past
    // the limit or a box's own Execute may clear it too; after those the
    // flag is read again.
    std::uint32_t next { kNone };
    std::uint32_t jump { kNone };
    // A simple box that with the two after it exchanges two elements
    // (CExchange), in a loop's flat body, and the operation after the third.
    const CExchange* exchange { nullptr };
    std::uint32_t afterExchange { kNone };
};

inline const CCompiledText& CChartProgram::Text(COp& op, CRunContext& run)
{
    return op.text ? *op.text : Compile(op, run);
}

// The state of one loop while it runs (a loop is never entered
// again while it runs: the language has no calls).
struct CChartProgram::CLoop {
    std::uint32_t exit { kNone }; // the AfterBox of the loop box
    std::uint32_t next { kNone }; // its LoopNext
    bool counting { false };
    bool reports { false }; // a post-test loop reports its condition's errors
    const CCompiledText* condition { nullptr };
    const CCompiledText* step { nullptr };
    // The texts of this start when they were not kept for the program.
    std::unique_ptr<CCompiledText> ownCondition;
    std::unique_ptr<CCompiledText> ownStep;
    // "var <= limit" (or >=) with "var += delta" (or "var ++").
    bool native { false };
    // The body's only box, when it is a simple one: a counting loop then
    // runs its passes without going through the list.
    std::uint32_t lone { kNone };
    // Whether the body holds only simple boxes and branches of them (and
    // is not one simple box): its passes then run without going through
    // the list either, with the loop's figures at hand.
    bool flat { false };
    // Whether every simple box of a flat body is compiled, so that its
    // exchanges are all found; if not, how many texts the program had
    // compiled when they were last looked for.
    bool exchangesFound { false };
    std::size_t exchangesSought { 0 };
    // That box as an accumulation, for the loop variable's slot it was
    // made for (the slot is the same at each start but found at each).
    std::optional<CAccumulation> accumulation;
    std::uint32_t accumulationSlot { kNone };
    bool downward { false };
    std::uint32_t slot { 0 };
    double limit { 0.0 };
    double delta { 0.0 };
    std::int32_t indexDelta { CVariableTable::kNoDelta }; // delta as an int32
};

CChartProgram::CChartProgram(CBoxSequence& root)
{
    CompileSequence(root, -1);
    m_ops.emplace_back();
    m_ops.back().kind = COp::Kind::End;
    auto thread = [this](std::uint32_t at) {
        for (;;) {
            if (m_ops[at].kind == COp::Kind::Jump)
                at = m_ops[at].target + 1;
            else if (m_ops[at].kind == COp::Kind::AfterBox)
                ++at;
            else
                return at;
        }
    };
    for (std::uint32_t at = 0; at + 1 < m_ops.size(); ++at) {
        m_ops[at].next = thread(at + 1);
        if (m_ops[at].kind == COp::Kind::Branch)
            m_ops[at].jump = thread(m_ops[at].target);
    }
}

CChartProgram::~CChartProgram() = default;

bool CChartProgram::Suits(const CBoxSequence& root)
{
    // A box with an editor runs what its editor holds. The program compiles
    // m_text once, so it stands in only while the two agree: as they do in
    // the desktop program, which takes every editor's text into its box
    // before a run and lets nobody type until the run has ended.
    return ForEachBox(root, [](const CProcessBox& box) { return !box.m_editor || box.m_editor->GetText() == box.m_text; });
}

void CChartProgram::CompileSequence(const CBoxSequence& sequence, int loop)
{
    std::vector<std::uint32_t> toEnd;
    for (const auto& box : sequence.m_boxes)
        CompileBox(*box, kNone, loop, toEnd);
    const auto end = static_cast<std::uint32_t>(m_ops.size());
    for (const std::uint32_t at : toEnd)
        m_ops[at].end = end;
}

void CChartProgram::CompileBox(CProcessBox& box, std::uint32_t sequenceEnd, int loop, std::vector<std::uint32_t>& toEnd)
{
    auto emit = [&](COp::Kind kind) -> std::uint32_t {
        COp op;
        op.kind = kind;
        op.loop = loop;
        op.box = &box;
        op.end = sequenceEnd;
        m_ops.push_back(op);
        const auto at = static_cast<std::uint32_t>(m_ops.size() - 1);
        toEnd.push_back(at);
        return at;
    };
    switch (box.Kind()) {
    case BoxKind::Simple:
        if (box.m_text == kBreakText)
            emit(COp::Kind::Break);
        else if (box.m_text == kContinueText)
            emit(COp::Kind::Continue);
        else
            emit(COp::Kind::Simple);
        return;
    case BoxKind::Branch: {
        auto& branch = static_cast<CBranchBox&>(box);
        const std::uint32_t test = emit(COp::Kind::Branch);
        CompileSequence(branch.m_thenSeq, loop);
        const std::uint32_t jump = emit(COp::Kind::Jump);
        m_ops[test].target = static_cast<std::uint32_t>(m_ops.size());
        CompileSequence(branch.m_elseSeq, loop);
        const std::uint32_t after = emit(COp::Kind::AfterBox);
        m_ops[jump].target = after;
        return;
    }
    case BoxKind::PreTestLoop:
    case BoxKind::PostTestLoop: {
        auto& pre = static_cast<CPreTestLoopBox&>(box);
        const int index = static_cast<int>(m_loops.size());
        m_loops.emplace_back();
        m_loops.back().reports = box.Kind() == BoxKind::PostTestLoop;
        const std::uint32_t head = emit(box.Kind() == BoxKind::PostTestLoop ? COp::Kind::PostHead : COp::Kind::LoopHead);
        m_ops[head].loop = index;
        const auto body = static_cast<std::uint32_t>(m_ops.size());
        CompileSequence(pre.m_bodySeq, index);
        const std::uint32_t next = emit(COp::Kind::LoopNext);
        m_ops[next].loop = index;
        m_ops[next].target = body;
        const std::uint32_t exit = emit(COp::Kind::AfterBox);
        m_loops[index].exit = exit;
        m_loops[index].next = next;
        if (next == body + 1 && m_ops[body].kind == COp::Kind::Simple)
            m_loops[index].lone = body;
        else
            m_loops[index].flat = std::all_of(m_ops.begin() + body, m_ops.begin() + next, [](const COp& op) {
                return op.kind == COp::Kind::Simple || op.kind == COp::Kind::Branch || op.kind == COp::Kind::Jump
                    || op.kind == COp::Kind::AfterBox;
            });
        return;
    }
    default:
        emit(COp::Kind::Box);
        return;
    }
}

const CCompiledText& CChartProgram::Compile(COp& op, CRunContext& run)
{
    m_texts.push_back(CCompiledText::Compile(op.box->m_text, run.Interp().Variables()));
    op.text = m_texts.back().get();
    op.node = op.text->Single();
    return *op.text;
}

void CChartProgram::Run(CRunContext& run)
{
    CInterpreter& interp = run.Interp();
    CConsole& console = run.Console();
    CVariableTable& vars = interp.Variables();
    const std::atomic<int>& flag = run.g_running;
    auto running = [&flag] { return flag.load() != 0; };
    // The steps are counted here, in a register, and handed back to the run
    // however this ends; one past the limit goes through the run's Step,
    // which stops the run as it would have.
    struct CCount {
        CRunContext& run;
        std::uint64_t n;
        ~CCount() { run.SetSteps(n); }
    } steps { run, run.Steps() };
    const std::uint64_t limit = run.StepLimit();
    auto step = [&](CProcessBox& box, RunStep where) { return TakeStep(run, steps.n, limit, box, where); };
    // Whether the interpreter is known to hold no pending results (see
    // DropPending below).
    bool clean = false;
    auto drop = [&] { DropPending(interp, clean); };
    auto evaluateText = [&](const CCompiledText& text, CConsole* report) { return EvaluateText(interp, text, report, clean); };
    auto testText = [&](const CCompiledText& text, CConsole* report) { return TestText(interp, text, report, clean); };
    // The same of a box's own text, reported on the console.
    auto evaluate = [&](COp& op) -> double {
        if (op.node) [[likely]] {
            drop();
            return interp.EvaluateNode(*op.node, *op.text, &console);
        }
        return evaluateText(Text(op, run), &console);
    };
    auto test = [&](COp& op) -> bool {
        if (op.node) [[likely]] {
            drop();
            return interp.TestNode(*op.node, *op.text, &console);
        }
        return testText(Text(op, run), &console);
    };

    COp* const ops = m_ops.data();
    std::uint32_t pc = 0;
    bool inOwnPasses = false; // in RunLoneLoop or RunFlatLoop
    // Each operation goes on to the next from its own jump, so that the
    // processor learns which kind tends to follow which.
    static void* const kHandlers[] = { &&simple, &&loopCode, &&loopCode, &&branch, &&jump, &&afterBox,
        &&loopHead, &&postHead, &&loopNext, &&box, &&finish };
    static_assert(sizeof kHandlers / sizeof kHandlers[0] == static_cast<std::size_t>(COp::Kind::End) + 1);
    constexpr auto kLoopNext = static_cast<std::size_t>(COp::Kind::LoopNext);
    for (COp& op : m_ops)
        op.handler = kHandlers[static_cast<std::size_t>(op.kind)];
#define TAVRIN_NEXT() goto* ops[pc].handler
    try {
        TAVRIN_NEXT();
    simple: {
        COp& op = ops[pc];
        if (!step(*op.box, RunStep::BeforeBox)) [[unlikely]] {
            pc = op.end;
            TAVRIN_NEXT();
        }
        // The flag was read as the box before this one ended, and a step
        // within the limit leaves it as it was: only an outside stop could
        // have cleared it since, which may as well come after this box.
        evaluate(op);
        pc = running() ? op.next : op.end;
        TAVRIN_NEXT();
    }
    loopCode: {
        COp& op = ops[pc];
        if (!step(*op.box, RunStep::BeforeBox)) [[unlikely]] {
            pc = op.end;
            TAVRIN_NEXT();
        }
        if (op.loop < 0)
            throw CLoopControl(op.kind == COp::Kind::Break ? kBreakCode : kContinueCode);
        pc = op.kind == COp::Kind::Break ? m_loops[static_cast<std::size_t>(op.loop)].exit
                                         : m_loops[static_cast<std::size_t>(op.loop)].next;
        TAVRIN_NEXT();
    }
    branch: {
        COp& op = ops[pc];
        if (!step(*op.box, RunStep::BeforeBox)) [[unlikely]] {
            pc = op.end;
            TAVRIN_NEXT();
        }
        // Each way goes on from a jump of its own, and straight to the
        // handler of the kinds that mostly follow a test: the processor
        // then learns the way from the test itself, not from an address
        // that waits for it.
        if (test(op)) {
            pc = op.next;
            if (ops[pc].kind == COp::Kind::Simple)
                goto simple;
            TAVRIN_NEXT();
        }
        pc = op.jump;
        if (ops[pc].kind == COp::Kind::Simple)
            goto simple;
        TAVRIN_NEXT();
    }
    jump:
        // Always to an AfterBox: its check made here.
        pc = running() ? ops[pc].target + 1 : ops[ops[pc].target].end;
        TAVRIN_NEXT();
    afterBox:
        pc = running() ? pc + 1 : ops[pc].end;
        TAVRIN_NEXT();
    loopHead: {
        COp& op = ops[pc];
        if (!step(*op.box, RunStep::BeforeBox)) [[unlikely]] {
            pc = op.end;
            TAVRIN_NEXT();
        }
        CLoop& loop = m_loops[static_cast<std::size_t>(op.loop)];
        const CCompiledText& header = Text(op, run);
        clean = false;
        double value = interp.EvaluateReport(header, console);
        loop.counting = interp.HasPending();
        loop.native = false;
        if (loop.counting) {
            const double limitValue = interp.NextValue();
            const std::string variable = LoopVariableOf(op.box->m_text);
            const std::string condition = variable + (value > limitValue ? " >= " : " <= ") + SixDecimals(limitValue);
            const std::string stepText = interp.HasPending() ? variable + " += " + SixDecimals(interp.NextValue())
                                                             : variable + " ++";
            loop.step = &LoopText(stepText, loop.ownStep, run);
            loop.condition = &LoopText(condition, loop.ownCondition, run);
            value = interp.Evaluate(*loop.condition);
            loop.native = NativeCount(loop);
        } else {
            loop.condition = &header;
        }
        ops[loop.next].handler = NextHandler(loop, &&loopNative, &&loopWhile, kHandlers[kLoopNext]);
        if (!IsTrue(value)) {
            pc = loop.exit;
            TAVRIN_NEXT();
        }
        // The first pass: its step, then the body.
        step(*op.box, RunStep::LoopPass);
        ++pc;
        TAVRIN_NEXT();
    }
    postHead: {
        COp& op = ops[pc];
        if (!step(*op.box, RunStep::BeforeBox)) [[unlikely]] {
            pc = op.end;
            TAVRIN_NEXT();
        }
        CLoop& loop = m_loops[static_cast<std::size_t>(op.loop)];
        const CCompiledText& header = Text(op, run);
        clean = false;
        interp.EvaluateKept(header, nullptr);
        const double limitValue = interp.NextValue();
        loop.counting = IsTrue(limitValue);
        loop.native = false;
        if (loop.counting) {
            const std::string variable = LoopVariableOf(op.box->m_text);
            loop.condition = &LoopText(variable + " <= " + SixDecimals(limitValue), loop.ownCondition, run);
            loop.step = &LoopText(variable + " ++", loop.ownStep, run);
            loop.native = NativeCount(loop);
        } else {
            loop.condition = &header;
        }
        ops[loop.next].handler = NextHandler(loop, &&loopNative, &&loopWhile, kHandlers[kLoopNext]);
        step(*op.box, RunStep::LoopPass);
        ++pc;
        TAVRIN_NEXT();
    }
    loopWhile: {
        // LoopNext of a loop whose start found it testing its header.
        COp& op = ops[pc];
        const CLoop& loop = m_loops[static_cast<std::size_t>(op.loop)];
        if (!testText(*loop.condition, loop.reports ? &console : nullptr) || !running()) {
            pc = loop.exit;
            TAVRIN_NEXT();
        }
        step(*op.box, RunStep::LoopPass);
        pc = op.target;
        TAVRIN_NEXT();
    }
    loopNative: {
        // LoopNext of a counting loop that adds and compares on its slot
        // (its LoopHead points the operation here for the start).
        COp& op = ops[pc];
        const CLoop& loop = m_loops[static_cast<std::size_t>(op.loop)];
        const bool again = CountPass(vars, loop.slot, loop.delta, loop.indexDelta, loop.limit, loop.downward);
        if (!running() || !again) {
            pc = loop.exit;
            TAVRIN_NEXT();
        }
        step(*op.box, RunStep::LoopPass);
        pc = op.target;
        TAVRIN_NEXT();
    }
    loopNext: {
        COp& op = ops[pc];
        CLoop& loop = m_loops[static_cast<std::size_t>(op.loop)];
        const bool lone = loop.native && loop.lone != kNone;
        if (lone || (loop.flat && (loop.native || !loop.counting))) {
            inOwnPasses = true;
            const CLoneEnd end = lone ? RunLoneLoop(run, loop, op, steps.n, clean) : RunFlatLoop(run, loop, op, steps.n, clean);
            inOwnPasses = false;
            steps.n = end.steps;
            clean = end.clean;
            pc = loop.exit;
            TAVRIN_NEXT();
        }
        bool again;
        if (loop.native) {
            again = CountPass(vars, loop.slot, loop.delta, loop.indexDelta, loop.limit, loop.downward);
        } else {
            if (loop.counting)
                evaluateText(*loop.step, nullptr);
            again = testText(*loop.condition, loop.reports ? &console : nullptr);
        }
        if (!running() || !again) {
            pc = loop.exit;
            TAVRIN_NEXT();
        }
        step(*op.box, RunStep::LoopPass);
        pc = op.target;
        TAVRIN_NEXT();
    }
    box: {
        COp& op = ops[pc];
        if (!step(*op.box, RunStep::BeforeBox)) [[unlikely]] {
            pc = op.end;
            TAVRIN_NEXT();
        }
        // The box's Execute works with the run's own count.
        run.SetSteps(steps.n);
        clean = false;
        op.box->Execute(run);
        steps.n = run.Steps();
        pc = running() ? op.next : op.end;
        TAVRIN_NEXT();
    }
    finish:;
    } catch (...) {
        // RunLoneLoop and RunFlatLoop handed their count to the run, and the
        // operation where they ended.
        if (inOwnPasses) {
            steps.n = run.Steps();
            pc = m_failedAt;
        }
        // The innermost box an error or a loop code leaves, as the
        // sequences walking the boxes record it.
        if (ops[pc].box)
            run.SetFailedBox(*ops[pc].box);
        throw;
    }
#undef TAVRIN_NEXT
}

CChartProgram::CLoneEnd CChartProgram::RunLoneLoop(CRunContext& run, CLoop& loop, COp& op, std::uint64_t steps, bool clean)
{
    CInterpreter& interp = run.Interp();
    CConsole& console = run.Console();
    CVariableTable& vars = interp.Variables();
    const std::atomic<int>& flag = run.g_running;
    const std::uint64_t limit = run.StepLimit();
    try {
        // What the operations of the passes do, one after the other: the
        // step and condition, the pass's step, the box's step, the box, and
        // back (the end of the body is the LoopNext however the box ends).
        // The loop's figures are read into locals: the box cannot change
        // them.
        COp& body = m_ops[loop.lone];
        const CCompiledText& text = Text(body, run);
        const std::uint32_t slot = loop.slot;
        const double delta = loop.delta;
        const std::int32_t indexDelta = loop.indexDelta;
        const double last = loop.limit;
        const bool downward = loop.downward;
        if (loop.accumulationSlot != slot) {
            loop.accumulation = CAccumulation::Of(text, slot);
            loop.accumulationSlot = slot;
        }
        // An accumulation runs its passes in registers while the steps
        // allow, once its variables are stored (after a first pass at most);
        // the passes it leaves are taken here.
        bool accumulate = loop.accumulation.has_value();
        for (;;) {
            if (accumulate && vars.ScalarStored(loop.accumulation->Target()) && vars.ScalarStored(slot)) {
                accumulate = false;
                bool ended = false;
                const std::uint64_t passes = limit > steps ? (limit - steps) / 2 : 0;
                const std::uint64_t done = loop.accumulation->Run(vars, flag, slot, delta, last, downward, passes, ended);
                steps += 2 * done;
                if (done > 0)
                    DropPending(interp, clean); // as the passes' evaluations would
                if (ended)
                    break;
            }
            const bool again = CountPass(vars, slot, delta, indexDelta, last, downward);
            if (flag.load() == 0 || !again)
                break;
            bool go;
            if (steps + 2 <= limit) [[likely]] {
                // Both steps within the limit, and the flag was just read:
                // nothing here can have cleared it since.
                steps += 2;
                go = true;
            } else {
                TakeStep(run, steps, limit, *op.box, RunStep::LoopPass);
                go = TakeStep(run, steps, limit, *body.box, RunStep::BeforeBox) && flag.load() != 0;
            }
            if (go) [[likely]]
                EvaluateText(interp, text, &console, clean);
        }
    } catch (...) {
        run.SetSteps(steps);
        m_failedAt = loop.lone; // the box an error leaves
        throw;
    }
    return { steps, clean };
}

CChartProgram::CLoneEnd CChartProgram::RunFlatLoop(CRunContext& run, CLoop& loop, COp& op, std::uint64_t steps, bool clean)
{
    CInterpreter& interp = run.Interp();
    CConsole& console = run.Console();
    CVariableTable& vars = interp.Variables();
    const std::atomic<int>& flag = run.g_running;
    const std::uint64_t limit = run.StepLimit();
    // What the list does from the LoopNext `op` on, pass after pass: the
    // body's operations are simple boxes, branches and the Jump and
    // AfterBox operations that only read the run flag; `next` passes over
    // those while running. When the flag drops in the body (a step past the
    // limit clears it too), every way out of the body's sequences leads to
    // the LoopNext without a step, which then ends the loop.
    const std::uint32_t first = op.target;
    const std::uint32_t last = loop.next;
    const std::uint32_t slot = loop.slot;
    const double delta = loop.delta;
    const std::int32_t indexDelta = loop.indexDelta;
    const double end = loop.limit;
    const bool downward = loop.downward;
    const bool native = loop.native;
    CConsole* const reports = loop.reports ? &console : nullptr;
    FindExchanges(loop);
    COp* const ops = m_ops.data();
    // A pass takes at most its own step and one for each box of the body;
    // while that stays within the limit, no step of the pass can reach it.
    const std::uint64_t most = 1 + static_cast<std::uint64_t>(std::count_if(ops + first, ops + last, [](const COp& body) {
        return body.kind == COp::Kind::Simple || body.kind == COp::Kind::Branch;
    }));
    const std::uint64_t safe = limit >= most ? limit - most : 0;
    std::uint32_t at = last;
    try {
        for (;;) {
            at = last;
            bool again;
            if (native) {
                again = CountPass(vars, slot, delta, indexDelta, end, downward);
            } else {
                again = TestText(interp, *loop.condition, reports, clean);
            }
            if (flag.load() == 0 || !again)
                break;
            const bool checked = steps > safe;
            TakeStep(run, steps, limit, *op.box, RunStep::LoopPass);
            for (at = first; at != last;) {
                COp& body = ops[at];
                if (checked) [[unlikely]] {
                    if (!TakeStep(run, steps, limit, *body.box, RunStep::BeforeBox))
                        break;
                } else {
                    ++steps;
                }
                if (body.kind == COp::Kind::Branch) {
                    const bool way = body.node ? (DropPending(interp, clean), interp.TestNode(*body.node, *body.text, &console))
                                               : TestText(interp, Text(body, run), &console, clean);
                    at = way ? body.next : body.jump;
                } else {
                    // An exchange takes the steps of its three boxes, all
                    // within the limit; none of them can clear the flag.
                    if (body.exchange && !checked && body.exchange->Run(vars)) {
                        steps += 2;
                        DropPending(interp, clean);
                        if (flag.load() == 0) [[unlikely]]
                            break;
                        at = body.afterExchange;
                        continue;
                    }
                    if (body.node) [[likely]] {
                        DropPending(interp, clean);
                        interp.EvaluateNode(*body.node, *body.text, &console);
                    } else {
                        EvaluateText(interp, Text(body, run), &console, clean);
                        FindExchanges(loop);
                    }
                    if (flag.load() == 0) [[unlikely]]
                        break;
                    at = body.next;
                }
            }
        }
    } catch (...) {
        run.SetSteps(steps);
        m_failedAt = at;
        throw;
    }
    return { steps, clean };
}

void CChartProgram::FindExchanges(CLoop& loop)
{
    // Looked for again only once something more is compiled, and not in
    // bodies so long that looking would cost more than it could win.
    constexpr std::uint32_t kMostOps = 4096;
    const std::uint32_t first = m_ops[loop.next].target;
    if (loop.exchangesFound || loop.exchangesSought == m_texts.size() || loop.next - first > kMostOps)
        return;
    loop.exchangesSought = m_texts.size();
    bool all = true;
    auto compiled = [&](std::uint32_t at) {
        return at < loop.next && m_ops[at].kind == COp::Kind::Simple && m_ops[at].node != nullptr;
    };
    for (std::uint32_t at = first; at < loop.next; ++at) {
        COp& op = m_ops[at];
        if (op.kind != COp::Kind::Simple)
            continue;
        all = all && op.text != nullptr;
        if (op.exchange || !compiled(at) || !compiled(op.next) || !compiled(m_ops[op.next].next))
            continue;
        const COp& second = m_ops[op.next];
        const COp& third = m_ops[second.next];
        if (auto exchange = CExchange::Of(*op.node, *second.node, *third.node)) {
            op.exchange = exchange.get();
            op.afterExchange = third.next;
            m_exchanges.push_back(std::move(exchange));
        }
    }
    loop.exchangesFound = all;
}

// The LoopNext handler for the start a loop's header has just made: the
// native count, the header's test, or the general one (which also enters
// RunLoneLoop and RunFlatLoop). The addresses come from Run, whose labels
// they are.
void* CChartProgram::NextHandler(const CLoop& loop, void* native, void* whileTest, void* general)
{
    if (!loop.counting)
        return loop.flat ? general : whileTest;
    return loop.native && loop.lone == kNone && !loop.flat ? native : general;
}

// A loop that starts again and again with the same limit makes the same
// texts; they are compiled once (compiling one again would give the same).
// Past a number of them (a loop started with ever new limits), the loop
// holds its texts for the one start, as walking the boxes does.
const CCompiledText& CChartProgram::LoopText(const std::string& text, std::unique_ptr<CCompiledText>& own, CRunContext& run)
{
    if (const auto found = m_loopTexts.find(text); found != m_loopTexts.end())
        return *found->second;
    auto compiled = run.Interp().Compile(text);
    if (m_loopTexts.size() >= kMaxLoopTexts) {
        own = std::move(compiled);
        return *own;
    }
    return *m_loopTexts.emplace(text, std::move(compiled)).first->second;
}

// Whether the loop's condition and step are the counting pair on one
// variable, so that a pass can add and compare on its slot.
bool CChartProgram::NativeCount(CLoop& loop)
{
    const std::vector<CCompiledView> condition = loop.condition->View();
    const std::vector<CCompiledView> step = loop.step->View();
    if (condition.size() != 1 || step.size() != 1)
        return false;
    const CCompiledView& test = condition[0];
    if (test.kind != CCompiledView::Kind::Binary || (test.op != TK_LE && test.op != TK_GE)
        || test.parts[0].kind != CCompiledView::Kind::Scalar || test.parts[1].kind != CCompiledView::Kind::Number)
        return false;
    const CCompiledView& add = step[0];
    double delta = 0.0;
    if (add.kind == CCompiledView::Kind::Assign && add.op == TK_PLUS && add.parts[0].kind == CCompiledView::Kind::Scalar
        && add.parts[1].kind == CCompiledView::Kind::Number)
        delta = add.parts[1].value;
    else if (add.kind == CCompiledView::Kind::Postfix && add.value == 1.0 && add.parts[0].kind == CCompiledView::Kind::Scalar)
        delta = 1.0;
    else
        return false;
    if (add.parts[0].slot != test.parts[0].slot)
        return false;
    loop.slot = test.parts[0].slot;
    loop.limit = test.parts[1].value;
    loop.downward = test.op == TK_GE;
    loop.delta = delta;
    loop.indexDelta = delta == std::trunc(delta) && std::fabs(delta) < 2147483648.0 ? static_cast<std::int32_t>(delta)
                                                                                   : CVariableTable::kNoDelta;
    return true;
}

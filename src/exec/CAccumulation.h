#pragma once
// The body of a counting loop that only accumulates into one scalar, the
// way sums and dot products are written: "s = s + E" or "s += E" (or with -
// or *), where E is the loop variable, a constant, another scalar, an
// element whose subscripts are one of those plus or minus a constant, or
// two such operands added, subtracted or multiplied.
//
// Such a body cannot fail, stores nothing but s and reads nothing it
// writes, so its passes can keep the loop variable and s in registers and
// store them when the passes end: the same values, computed in the same
// order, as walking the passes one by one. The loop variable and s must
// already be stored (so no name is counted anew), and the passes that are
// run are bounded by the steps left before the limit, so that the pass
// which reaches the limit is taken the ordinary way.

#include <atomic>
#include <cstdint>
#include <optional>

class CCompiledText;
class CVariableTable;

class CAccumulation {
public:
    // The accumulation `body` makes in a loop counting on `loopSlot`, if it
    // is one.
    static std::optional<CAccumulation> Of(const CCompiledText& body, std::uint32_t loopSlot);

    std::uint32_t Target() const { return m_target; }

    // The loop as CChartProgram runs it: add `delta` to the loop variable,
    // stop once it passes `last` or the run flag drops, else one pass. At
    // most `passes` passes; returns how many were made, and sets `ended`
    // when the loop is over (the loop variable then holds the value that
    // ended it, as the ordinary way leaves it). When not ended, the next
    // pass is still to be counted.
    std::uint64_t Run(CVariableTable& vars, const std::atomic<int>& flag, std::uint32_t loopSlot, double delta, double last,
        bool downward, std::uint64_t passes, bool& ended) const;

    struct COperand {
        enum class Kind : std::uint8_t { Loop, Scalar, Constant, Element1, Element2 };
        // A subscript: the loop variable, a scalar or a constant, plus `offset`.
        struct CIndex {
            enum class Kind : std::uint8_t { Loop, Scalar, Constant } kind { Kind::Constant };
            std::uint32_t slot { 0 };
            double offset { 0.0 };
        };
        Kind kind { Kind::Constant };
        std::uint32_t slot { 0 }; // a scalar's slot or an element's array
        double value { 0.0 }; // a constant
        CIndex index[2];
    };

private:
    CAccumulation() = default;
    template <bool LoopOnly>
    std::uint64_t Passes(CVariableTable& vars, const std::atomic<int>& flag, double& i, double& s, double delta, double last,
        bool downward, std::uint64_t passes, bool& ended) const;

    std::uint32_t m_target { 0 };
    int m_accumulate { 0 }; // s = s OP E: TK_PLUS, TK_MINUS or TK_MUL
    int m_combine { 0 };    // E = A OP B, or 0 when E is A alone
    COperand m_a;
    COperand m_b;
};

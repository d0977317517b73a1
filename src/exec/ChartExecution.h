#pragma once
// The root of a run: executes the whole chart and tells the caller whether it
// ended with an error line. CRootSequence::Execute is this with the answer
// dropped; the run driver needs it to report how the run ended.

#include <string>
#include <string_view>

class CRootSequence;
class CRunContext;

enum class ChartEnd {
    Finished,  // the walk ended, after the last box or because the run flag dropped
    ErrorLine, // an error ended it and its "Error -- ..." line was written
};

ChartEnd ExecuteChart(CRootSequence& root, CRunContext& run);

// How a counting loop writes its condition and step: a number with six
// decimals ("%f" without the process locale), and the loop variable, the
// text of the header's first token.
std::string SixDecimals(double value);
std::string LoopVariableOf(std::string_view header);

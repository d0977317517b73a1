#pragma once
// The root of a run: executes the whole chart and tells the caller whether it
// ended with an error line. CRootSequence::Execute is this with the answer
// dropped; the run driver needs it to report how the run ended.

class CRootSequence;
class CRunContext;

enum class ChartEnd {
    Finished,  // the walk ended, after the last box or because the run flag dropped
    ErrorLine, // an error ended it and its "Error -- ..." line was written
};

ChartEnd ExecuteChart(CRootSequence& root, CRunContext& run);

#pragma once
// The root of a run: executes the whole chart and tells the caller whether it
// ended with an error line. CRootSequence::Execute is this with the answer
// dropped; the run driver needs it to report how the run ended.

class CConsole;
class CInterpreter;
class CProcessBox;
class CRootSequence;

enum class ChartEnd {
    Finished,  // the walk ended, after the last box or because the run flag dropped
    ErrorLine, // an error ended it and its "Error -- ..." line was written
};

ChartEnd ExecuteChart(CRootSequence& root, CConsole& console, CInterpreter& interp);

// The innermost box whose execution ended the last run with its error line
// (the box that failed, or a break or continue outside every loop); nullptr
// when the last run wrote no error line. Valid while the chart is unchanged.
const CProcessBox* LastFailedBox();

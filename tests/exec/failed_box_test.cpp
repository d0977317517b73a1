// The box that ended a run with its error line, as reports of failed runs
// name it.
#include "model/BoxPath.h"
#include "model/CBoxSequence.h"
#include "exec/CMemoryConsole.h"
#include "exec/CRunContext.h"
#include "model/Outline.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The path of the failed box after a run of the outline, or "none".
std::string FailedPath(const std::string& outline)
{
    CRootSequence root;
    BuildOutline(outline, root);
    CMemoryConsole console;
    CRunContext run(root, console);
    run.Run();
    const CProcessBox* failed = run.FailedBox();
    if (!failed)
        return "none";
    const auto where = LocateBox(root, *failed);
    return where ? where->path : "not in the chart";
}

} // namespace

TEST(FailedBox, NamesTheInnermostBoxThatEndedTheRun)
{
    struct Row {
        const char* outline;
        const char* path;
    } rows[] = {
        { "output: 1\noutput: 2\n", "none" },
        { "simple: x = 1\nsimple: y = (\n", "2:simple" },
        // Inside a loop body, the box in the body, not the loop.
        { "pre-loop: i = 1, 3\n  output: i\n  branch: i == 2\n    then\n      simple: z = 1 +\n", "1:pre-loop/2:branch/then/1:simple" },
        // A condition that fails after a pass is the loop's own.
        { "post-loop: i <\n  output: 1\n", "1:post-loop" },
        // A break taken by its loop leaves nothing behind; one outside every
        // loop ends the run like an error.
        { "pre-loop: i = 1, 2\n  simple: break\nsimple: y = (\n", "2:simple" },
        { "pre-loop: i = 1, 2\n  simple: continue\noutput: i\n", "none" },
        { "branch: 1\n  then\n    simple: break\n", "1:branch/then/1:simple" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.outline);
        EXPECT_EQ(FailedPath(row.outline), row.path);
    }
}

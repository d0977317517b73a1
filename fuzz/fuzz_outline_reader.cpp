// Any text given to the outline reader (tavrin-cli build) either builds a
// chart or raises an outline error. A built chart that can be saved dumps to
// an outline that builds the same file bytes again.
#include "model/CArchive.h"
#include "model/CBoxSequence.h"
#include "model/CTavrinDoc.h"
#include "FuzzSupport.h"
#include "model/Outline.h"

#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CTavrinDoc doc;
    try {
        BuildOutline(text, doc.m_root);
    } catch (const COutlineError& e) {
        if (e.Line() < 1)
            FuzzFail("outline error without a line number", e.what());
        return 0;
    }

    std::string saved;
    try {
        saved = doc.SaveToBytes();
    } catch (const CChartTooDeepError&) {
        return 0; // reported by the build command as a save failure
    }
    const std::string dumped = DumpOutline(doc.m_root);

    CTavrinDoc rebuilt;
    try {
        BuildOutline(dumped, rebuilt.m_root);
    } catch (const COutlineError& e) {
        FuzzFail("a dumped outline does not build", std::string(e.what()) + "\n" + dumped);
    }
    if (rebuilt.SaveToBytes() != saved)
        FuzzFail("dump and build changed the file bytes", dumped);

    CTavrinDoc loaded;
    try {
        loaded.LoadFromBytes(saved);
    } catch (const CFileFormatError&) {
        FuzzFail("a built chart's bytes do not load");
    }
    if (DumpOutline(loaded.m_root) != dumped)
        FuzzFail("the loaded chart dumps differently", dumped);
    return 0;
}

// Any bytes given to the chart file reader either load to a chart or raise
// the file format error with its own message. A loaded chart saves, the saved
// bytes load again to the same tree, and saving that gives the same bytes.
#include "model/CArchive.h"
#include "model/CTavrinDoc.h"
#include "FuzzSupport.h"
#include "model/Outline.h"
#include "base/Texts.h"

#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CTavrinDoc doc;
    try {
        doc.LoadFromBytes(bytes);
    } catch (const CFileFormatError& e) {
        if (std::string_view(e.what()) != texts::kUnexpectedFileFormat)
            FuzzFail("file format error with a different message", e.what());
        if (!doc.m_root.m_boxes.empty())
            FuzzFail("a failed load left boxes in the document");
        return 0;
    }

    std::string saved;
    try {
        saved = doc.SaveToBytes();
    } catch (const CChartTooDeepError&) {
        FuzzFail("a chart that loaded is too deep to save");
    }
    const std::string outline = DumpOutline(doc.m_root);

    CTavrinDoc again;
    try {
        again.LoadFromBytes(saved);
    } catch (const CFileFormatError&) {
        FuzzFail("saved bytes do not load again");
    }
    if (DumpOutline(again.m_root) != outline)
        FuzzFail("the reloaded chart differs", outline);
    if (again.SaveToBytes() != saved)
        FuzzFail("save, load, save changed the bytes");
    return 0;
}

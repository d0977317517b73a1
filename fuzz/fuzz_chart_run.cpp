// Any bytes that load as a chart are run (with a step limit and scripted
// input, within a memory budget) and translated into C, without a crash.
#include "model/CArchive.h"
#include "exec/CMemoryConsole.h"
#include "model/CTavrinDoc.h"
#include "codegen/CodeGenerator.h"
#include "FuzzSupport.h"
#include "exec/CRunContext.h"
#include "exec/RunDriver.h"
#include "interp/RunMemory.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CTavrinDoc doc;
    try {
        doc.LoadFromBytes(bytes);
    } catch (const CFileFormatError&) {
        return 0;
    }

    SetRunMemoryLimit(std::size_t { 32 } << 20);
    {
        CMemoryConsole console(ScriptedInput());
        {
            CRunContext run(doc.m_root, console);
            run.SetStepLimit(2000);
            run.Run();
        }
        console.Finish();
        if (!console.Finished())
            FuzzFail("the run did not finish its console");
    }

    GenerateCodeText(doc.m_root);
    return 0;
}

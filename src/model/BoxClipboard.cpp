#include "model/BoxClipboard.h"

#include "model/CArchive.h"
#include "model/CBoxSequence.h"
#include "model/CProcessBox.h"
#include "model/Outline.h"

std::string BoxToBytes(CProcessBox& box)
{
    CArchive ar;
    box.Serialize(ar);
    return ar.Buffer();
}

std::unique_ptr<CProcessBox> BoxFromBytes(std::string_view bytes)
{
    // Read as a sequence reads a record: tag and geometry first, so that the
    // box can be built before it reads the rest of itself.
    CArchive ar(bytes);
    const int tag = ar.ReadInt16();
    const int x = ar.ReadInt32();
    const int y = ar.ReadInt32();
    const int w = ar.ReadInt32();
    const int h = ar.ReadInt32();
    std::unique_ptr<CProcessBox> box = CBoxSequence::MakeBoxOfKind(tag, x, y, w, h);
    if (!box)
        throw CFileFormatError();
    box->Serialize(ar);
    if (ar.Remaining() != 0)
        throw CFileFormatError();
    return box;
}

std::string BoxOutline(const CProcessBox& box)
{
    return DumpBoxOutline(box);
}

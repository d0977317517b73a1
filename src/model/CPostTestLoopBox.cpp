#include "model/CPostTestLoopBox.h"

std::unique_ptr<CProcessBox> CPostTestLoopBox::Clone(int x, int y) const
{
    auto copy = std::make_unique<CPostTestLoopBox>(x, y, m_width, m_height);
    copy->m_text = m_text;
    m_bodySeq.CloneInto(copy->m_bodySeq, x, y);
    return copy;
}

#include "model/CSimpleBox.h"

std::unique_ptr<CProcessBox> CSimpleBox::Clone(int x, int y) const
{
    auto copy = std::make_unique<CSimpleBox>(x, y, m_width, m_height);
    copy->m_text = m_text;
    return copy;
}

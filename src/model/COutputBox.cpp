#include "model/COutputBox.h"

std::unique_ptr<CProcessBox> COutputBox::Clone(int x, int y) const
{
    auto copy = std::make_unique<COutputBox>(x, y, m_width, m_height);
    copy->m_text = m_text;
    return copy;
}

#include "model/CInputBox.h"

std::unique_ptr<CProcessBox> CInputBox::Clone(int x, int y) const
{
    auto copy = std::make_unique<CInputBox>(x, y, m_width, m_height);
    copy->m_text = m_text;
    return copy;
}

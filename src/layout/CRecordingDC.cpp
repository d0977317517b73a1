#include "layout/CRecordingDC.h"

#include "model/ClampedMath.h"

#include <cstdio>

CRecordingDC::CRecordingDC(DeviceKind kind)
    : m_kind(kind)
{
}

void CRecordingDC::Record(std::string line)
{
    if (m_recording)
        m_calls.push_back(std::move(line));
}

void CRecordingDC::MoveTo(int x, int y)
{
    if (m_recording)
        Record("MoveTo " + std::to_string(x) + " " + std::to_string(y));
}

void CRecordingDC::LineTo(int x, int y)
{
    if (m_recording)
        Record("LineTo " + std::to_string(x) + " " + std::to_string(y));
}

void CRecordingDC::Rectangle(int left, int top, int right, int bottom)
{
    if (m_recording)
        Record("Rectangle " + std::to_string(left) + " " + std::to_string(top) + " "
            + std::to_string(right) + " " + std::to_string(bottom));
}

void CRecordingDC::Ellipse(int left, int top, int right, int bottom)
{
    if (m_recording)
        Record("Ellipse " + std::to_string(left) + " " + std::to_string(top) + " "
            + std::to_string(right) + " " + std::to_string(bottom));
}

CPen CRecordingDC::SelectPen(const CPen& pen)
{
    const CPen previous = m_pen;
    m_pen = pen;
    if (m_recording) {
        char colour[8];
        std::snprintf(colour, sizeof colour, "%06X", static_cast<unsigned>(pen.color & 0xFFFFFFu));
        Record("Pen " + std::to_string(pen.width) + " " + colour);
    }
    return previous;
}

void CRecordingDC::SetBkMode(BkMode mode)
{
    if (m_recording)
        Record(mode == BkMode::Transparent ? "BkMode transparent" : "BkMode opaque");
}

void CRecordingDC::TextOut(int x, int y, std::string_view text)
{
    if (m_recording)
        Record("Text " + std::to_string(x) + " " + std::to_string(y) + " " + std::string(text));
}

bool CRecordingDC::IsPrinting() const
{
    return m_kind == DeviceKind::Printer;
}

CPoint CRecordingDC::LPtoDP(CPoint logical) const
{
    return { AddClamped(logical.x, m_viewportOrg.x), AddClamped(logical.y, m_viewportOrg.y) };
}

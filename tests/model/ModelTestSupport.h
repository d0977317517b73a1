#pragma once
// Small helpers for the chart model tests.

#include "model/CBoxSequence.h"
#include "model/CDC.h"
#include "model/CProcessBox.h"

#include <string>

// A device context that draws nothing and maps logical to device coordinates
// by a fixed scroll offset, like a scrolled view.
class COffsetDC : public CDC {
public:
    COffsetDC(int dx = 0, int dy = 0)
        : m_dx(dx)
        , m_dy(dy)
    {
    }
    void MoveTo(int, int) override { }
    void LineTo(int, int) override { }
    void Rectangle(int, int, int, int) override { }
    void Ellipse(int, int, int, int) override { }
    CPen SelectPen(const CPen& pen) override { return pen; }
    void SetBkMode(BkMode) override { }
    void TextOut(int, int, std::string_view) override { }
    bool IsPrinting() const override { return false; }
    CPoint LPtoDP(CPoint p) const override { return { p.x - m_dx, p.y - m_dy }; }

private:
    int m_dx;
    int m_dy;
};

// Kind letters of a sequence's boxes, with nested sequences in brackets:
// S simple, B branch [then|else], L pre-test loop [body], P post-test loop,
// O output, I input. Texts follow each letter in quotes when not empty.
std::string Shape(const CBoxSequence& sequence);

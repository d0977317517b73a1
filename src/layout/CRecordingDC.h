#pragma once
// A device context that draws nothing and writes down every call as one
// readable line ("MoveTo 50 75", "Rectangle 50 75 200 100", "Pen 3 000000",
// "Text 26 23 start"), so that tests and benchmarks can check or count the
// exact output of a drawing pass.

#include "model/CDC.h"

#include <string>
#include <vector>

enum class DeviceKind { Screen, Printer };

class CRecordingDC : public CDC {
public:
    explicit CRecordingDC(DeviceKind kind = DeviceKind::Screen);

    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Rectangle(int left, int top, int right, int bottom) override;
    void Ellipse(int left, int top, int right, int bottom) override;
    CPen SelectPen(const CPen& pen) override;
    void SetBkMode(BkMode mode) override;
    void TextOut(int x, int y, std::string_view text) override;
    bool IsPrinting() const override;
    CPoint LPtoDP(CPoint logical) const override;

    // The logical point that appears at the device origin: a view scrolled
    // down by 40 has the viewport origin (0, -40).
    void SetViewportOrg(CPoint origin) { m_viewportOrg = origin; }
    // With recording off only the pen and the position are kept, so that a
    // benchmark measures the pass rather than the string building.
    void SetRecording(bool on) { m_recording = on; }

    const std::vector<std::string>& Calls() const { return m_calls; }
    void Clear() { m_calls.clear(); }
    CPen CurrentPen() const { return m_pen; }

private:
    void Record(std::string line);

    DeviceKind m_kind;
    CPoint m_viewportOrg;
    CPen m_pen;
    bool m_recording { true };
    std::vector<std::string> m_calls;
};

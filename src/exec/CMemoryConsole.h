#pragma once
// A console in memory, for tests: input lines come from a script, output
// bytes are collected.

#include "base/CConsole.h"

#include <deque>
#include <string>
#include <vector>

class CMemoryConsole : public CConsole {
public:
    CMemoryConsole() = default;
    explicit CMemoryConsole(std::vector<std::string> inputLines);

    // Adds a line to the end of the script (given as ReadLine returns it).
    void AddInput(std::string line) { m_input.push_back(std::move(line)); }

    // Every byte written so far (code page 932, unconverted).
    const std::string& Output() const { return m_output; }
    void ClearOutput() { m_output.clear(); }
    // Whether a read found the script used up (and so yielded an empty line).
    bool InputExhausted() const { return m_inputExhausted; }
    std::size_t LinesRead() const { return m_linesRead; }
    // Whether Finish was called; it writes the exit prompt but takes no line.
    bool Finished() const { return m_finished; }

    void Finish() override;

protected:
    void Output(std::string_view bytes) override;
    bool Input(std::string& line) override;

private:
    std::deque<std::string> m_input;
    std::string m_output;
    std::size_t m_linesRead { 0 };
    bool m_inputExhausted { false };
    bool m_finished { false };
};

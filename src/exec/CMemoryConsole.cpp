#include "exec/CMemoryConsole.h"

CMemoryConsole::CMemoryConsole(std::vector<std::string> inputLines)
    : m_input(std::make_move_iterator(inputLines.begin()), std::make_move_iterator(inputLines.end()))
{
}

void CMemoryConsole::Finish()
{
    // The prompt only: a test's script is for the chart's own reads.
    Output(kExitPrompt);
    m_finished = true;
}

void CMemoryConsole::Output(std::string_view bytes) { m_output.append(bytes); }

bool CMemoryConsole::Input(std::string& line)
{
    if (m_input.empty()) {
        m_inputExhausted = true;
        return false;
    }
    line = std::move(m_input.front());
    m_input.pop_front();
    ++m_linesRead;
    return true;
}

#pragma once
// The chart as a C99 program that does exactly what a run does: the same
// output bytes (UTF-8, as tavrin-cli run writes them), the same error lines
// and exit statuses. Each box text is translated from its compiled form; a
// text whose exact behaviour C cannot express readably is refused, naming
// the box, rather than translated approximately.

#include <stdexcept>
#include <string>

class CConsole;
class CRootSequence;

class CExactRefusal : public std::runtime_error {
public:
    CExactRefusal(const std::string& boxPath, const std::string& reason)
        : std::runtime_error("box " + boxPath + ": " + reason), m_boxPath(boxPath), m_reason(reason)
    {
    }
    const std::string& BoxPath() const { return m_boxPath; }
    const std::string& Reason() const { return m_reason; }

private:
    std::string m_boxPath;
    std::string m_reason;
};

// The program as UTF-8 text; throws CExactRefusal. Box texts are used as
// stored (the caller commits editors first).
std::string GenerateExactC(const CRootSequence& root);

// The program written on a console (code page 932), or the refusal as a
// comment, then the console's Finish; for the desktop program.
void GenerateExactCode(const CRootSequence& root, CConsole& console);

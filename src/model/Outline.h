#pragma once
// The outline: a chart as indented UTF-8 text, one box per line, for
// writing charts by hand and reading them in reviews (tavrin-cli dump and
// build). docs/outline.md describes the format. Dumping a chart and building
// the outline again gives back the same file bytes.

#include <stdexcept>
#include <string>
#include <string_view>

class CBoxSequence;
class CProcessBox;
class CRootSequence;

// A line of an outline that cannot be built. what() is "LINE: MESSAGE".
class COutlineError : public std::runtime_error {
public:
    COutlineError(int line, const std::string& message);
    int Line() const { return m_line; }
    const std::string& Message() const { return m_message; }

private:
    int m_line;
    std::string m_message;
};

// The outline of a chart, every box with its geometry (m_text as stored; the
// caller commits editors first if it has any).
std::string DumpOutline(const CBoxSequence& root);
// The outline of one box with everything inside it, as DumpOutline writes it
// in a sequence.
std::string DumpBoxOutline(const CProcessBox& box);

// Appends the outline's boxes to `root` (normally empty). On error the boxes
// built so far stay in `root`: build into a fresh root.
void BuildOutline(std::string_view outline, CRootSequence& root);

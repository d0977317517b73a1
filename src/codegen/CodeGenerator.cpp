// The program frame: include lines, main, one declaration line, the boxes'
// code and return 0.

#include "codegen/CodeGenerator.h"

#include "model/CBoxSequence.h"
#include "base/CConsole.h"
#include "model/ForEachBox.h"
#include "interp/CVariableTable.h"
#include "codegen/CodeText.h"

namespace {

// rand, srand and abs are declared by <stdlib.h>, not <math.h>; without it a
// C99 compiler sees undeclared functions.
bool UsesStdlib(const CBoxSequence& sequence)
{
    const bool none = ForEachBox(sequence, [](const CProcessBox& box) {
        for (const CToken& token : codegen::TokensOf(box.m_text)) {
            if (token.kind == TK_FN_RAND || token.kind == TK_FN_SRAND || token.kind == TK_FN_ABS)
                return false;
        }
        return true;
    });
    return !none;
}

// Collects the program; the exit prompt and its wait are left out.
class CTextConsole : public CConsole {
public:
    void Finish() override {}
    std::string m_text;

protected:
    void Output(std::string_view bytes) override { m_text.append(bytes); }
    bool Input(std::string&) override { return false; }
};

} // namespace

void CRootSequence::EmitCode(CConsole& console, int indent)
{
    CTokenList declarations;
    CVariableTable declared;
    bool usesMath = false;
    // First, because it refreshes every box's text from its editor.
    CollectDeclarations(declarations, declared, usesMath);

    console.Write("#include <stdio.h>");
    if (usesMath) {
        console.NewLine();
        console.Write("#include <math.h>");
    }
    if (UsesStdlib(*this)) {
        console.NewLine();
        console.Write("#include <stdlib.h>");
    }
    console.NewLine();
    console.NewLine();
    console.Write("int main(){");
    console.NewLine();

    std::string line = "double ";
    CToken entry;
    while (declarations.PopFront(entry) != TK_END)
        line += entry.text + ",";
    if (line.back() == ',') {
        line.back() = ';';
        console.Indent(indent + 1);
        console.Write(line);
        console.NewLine();
    }

    for (auto& box : m_boxes)
        box->EmitCode(console, indent + 1);

    console.Indent(indent + 1);
    console.Write("return 0;\n");
    console.Write("}");
    console.NewLine();
    console.Finish();
}

void GenerateCode(CRootSequence& root, CConsole& console) { root.EmitCode(console, 0); }

std::string GenerateCodeText(CRootSequence& root)
{
    CTextConsole console;
    GenerateCode(root, console);
    return std::move(console.m_text);
}

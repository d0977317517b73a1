#include "CodegenSupport.h"

#include "codegen/CodeGenerator.h"
#include "base/Codec.h"
#include "model/Outline.h"

#include <sstream>

namespace codegen_test {

void Build(std::string_view outline, CRootSequence& root) { BuildOutline(outline, root); }

std::string Generate(std::string_view outline)
{
    CRootSequence root;
    Build(outline, root);
    return codec::Cp932ToUtf8(GenerateCodeText(root));
}

Program Parse(const std::string& program)
{
    Program parsed;
    std::istringstream in(program);
    std::string line;
    while (std::getline(in, line) && !line.empty())
        parsed.includes.push_back(line);
    if (!std::getline(in, line) || line != "int main(){")
        return parsed;
    std::vector<std::string> rest;
    while (std::getline(in, line))
        rest.push_back(line);
    // The program ends with "    return 0;" and "}".
    if (rest.size() < 2 || rest[rest.size() - 2] != "    return 0;" || rest.back() != "}")
        return parsed;
    for (std::size_t i = 0; i + 2 < rest.size(); ++i)
        parsed.body += rest[i] + "\n";
    parsed.framed = true;
    return parsed;
}

} // namespace codegen_test

#pragma once
// Translates a chart into a C program written on a console, ending with the
// console's Finish. The desktop program and tavrin-cli share it.

#include <string>

class CConsole;
class CRootSequence;

void GenerateCode(CRootSequence& root, CConsole& console);

// The program as code page 932 bytes, as GenerateCode writes it but without
// the exit prompt (messages of loop headers that fail to evaluate included).
std::string GenerateCodeText(CRootSequence& root);

#pragma once
// Translates a chart into a C program written on a console, ending with the
// console's Finish. The desktop program and tavrin-cli share it.

class CConsole;
class CRootSequence;

void GenerateCode(CRootSequence& root, CConsole& console);

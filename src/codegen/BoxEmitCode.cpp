// Placeholder until code generation lands.
#include "CBoxSequence.h"
#include "CBranchBox.h"
#include "CInputBox.h"
#include "COutputBox.h"
#include "CPostTestLoopBox.h"
#include "CSimpleBox.h"

void CProcessBox::EmitCode(CConsole&, int) {}
void CInputBox::EmitCode(CConsole&, int) {}
void COutputBox::EmitCode(CConsole&, int) {}
void CBranchBox::EmitCode(CConsole&, int) {}
void CPreTestLoopBox::EmitCode(CConsole&, int) {}
void CPostTestLoopBox::EmitCode(CConsole&, int) {}
void CBoxSequence::EmitCode(CConsole&, int) {}
void CRootSequence::EmitCode(CConsole&, int) {}
void CProcessBox::CollectDeclarations(CTokenList&, CVariableTable&, bool&) {}
void CBranchBox::CollectDeclarations(CTokenList&, CVariableTable&, bool&) {}
void CPreTestLoopBox::CollectDeclarations(CTokenList&, CVariableTable&, bool&) {}
void CBoxSequence::CollectDeclarations(CTokenList&, CVariableTable&, bool&) {}

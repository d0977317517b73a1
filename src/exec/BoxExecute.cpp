// Placeholder until statement execution lands.
#include "CBoxSequence.h"
#include "CBranchBox.h"
#include "CInputBox.h"
#include "COutputBox.h"
#include "CPostTestLoopBox.h"
#include "CSimpleBox.h"

void CProcessBox::Execute(CConsole&, CInterpreter&) {}
void CInputBox::Execute(CConsole&, CInterpreter&) {}
void COutputBox::Execute(CConsole&, CInterpreter&) {}
void CBranchBox::Execute(CConsole&, CInterpreter&) {}
void CPreTestLoopBox::Execute(CConsole&, CInterpreter&) {}
void CPostTestLoopBox::Execute(CConsole&, CInterpreter&) {}
void CBoxSequence::Execute(CConsole&, CInterpreter&) {}
void CRootSequence::Execute(CConsole&, CInterpreter&) {}

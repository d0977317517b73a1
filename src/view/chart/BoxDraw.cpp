// Placeholder until layout and drawing land.
#include "CBoxSequence.h"
#include "CBranchBox.h"
#include "CInputBox.h"
#include "COutputBox.h"
#include "CPostTestLoopBox.h"
#include "CSimpleBox.h"

void CSimpleBox::Draw(CDC*, CEditorHost*) {}
void CInputBox::Draw(CDC*, CEditorHost*) {}
void COutputBox::Draw(CDC*, CEditorHost*) {}
void CBranchBox::Draw(CDC*, CEditorHost*) {}
void CPreTestLoopBox::Draw(CDC*, CEditorHost*) {}
void CPostTestLoopBox::Draw(CDC*, CEditorHost*) {}
void CBoxSequence::Draw(CDC*, CEditorHost*) {}
void CRootSequence::DrawAsRoot(CDC*, CEditorHost*) {}

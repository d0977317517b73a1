// The declarations of a generated program: every name a box text uses, in the
// order of its first occurrence, as a double, or as an array of 256 doubles
// when that first occurrence is subscripted. A simple, input or output box
// that holds braces is an array initialiser and is declared whole.

#include "model/CBoxSequence.h"
#include "model/CBranchBox.h"
#include "model/CPreTestLoopBox.h"
#include "interp/CVariableTable.h"
#include "codegen/CodeText.h"

using namespace codegen;

namespace {

constexpr double kDeclared = 1.0;

bool IsDeclared(const CVariableTable& declared, const std::string& name) { return declared.Get(name) != 0.0; }

// Each name not yet declared takes the token after it as a lookahead, which is
// then passed over: "[" makes the name an array.
void CollectNames(const TokenVector& tokens, CTokenList& declarations, CVariableTable& declared, bool& usesMath)
{
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const CToken& token = tokens[i];
        if (token.kind == TK_IDENT && !IsDeclared(declared, token.text)) {
            const bool subscripted = i + 1 < tokens.size() && tokens[i + 1].kind == TK_LBRACKET;
            ++i;
            declared.Set(token.text, kDeclared);
            declarations.Append(CToken { TK_IDENT, subscripted ? token.text + "[256]" : token.text, 0.0 });
        } else if (IsFunctionKind(token.kind)) {
            usesMath = true;
        }
    }
}

} // namespace

// Simple, input and output boxes.
void CProcessBox::CollectDeclarations(CTokenList& declarations, CVariableTable& declared, bool& usesMath)
{
    RefreshText();
    const TokenVector tokens = TokensOf(m_text);
    if (HasBrace(tokens)) {
        declarations.Append(CToken { TK_IDENT, m_text, 0.0 });
        declared.Set(tokens.front().text, kDeclared);
        return;
    }
    CollectNames(tokens, declarations, declared, usesMath);
}

void CBranchBox::CollectDeclarations(CTokenList& declarations, CVariableTable& declared, bool& usesMath)
{
    RefreshText();
    CollectNames(TokensOf(m_text), declarations, declared, usesMath);
    m_thenSeq.CollectDeclarations(declarations, declared, usesMath);
    m_elseSeq.CollectDeclarations(declarations, declared, usesMath);
}

// Both loop kinds.
void CPreTestLoopBox::CollectDeclarations(CTokenList& declarations, CVariableTable& declared, bool& usesMath)
{
    RefreshText();
    CollectNames(TokensOf(m_text), declarations, declared, usesMath);
    m_bodySeq.CollectDeclarations(declarations, declared, usesMath);
}

void CBoxSequence::CollectDeclarations(CTokenList& declarations, CVariableTable& declared, bool& usesMath)
{
    for (auto& box : m_boxes)
        box->CollectDeclarations(declarations, declared, usesMath);
}

#include "exec/CRunTrace.h"

#include "model/BoxPath.h"
#include "base/CConsole.h"
#include "interp/CInterpreter.h"
#include "model/CProcessBox.h"
#include "base/Codec.h"

CRunTrace::CRunTrace(const CBoxSequence& root, Sink sink) : m_root(root), m_sink(std::move(sink)) {}

const std::string& CRunTrace::PathOf(const CProcessBox& box)
{
    auto found = m_paths.find(&box);
    if (found == m_paths.end()) {
        const auto where = LocateBox(m_root, box);
        found = m_paths.emplace(&box, where ? where->path : std::string("?")).first;
    }
    return found->second;
}

// The changes since the last look, as a field with its leading tab, or
// nothing.
std::string CRunTrace::TakeChanges(CRunContext& run)
{
    if (!m_watch.Update(run.Interp().Variables()))
        return {};
    std::string field = "\t";
    bool first = true;
    for (const auto& [name, value] : m_watch.Changes()) {
        if (!first)
            field += ' ';
        first = false;
        field += name;
        field += '=';
        field += FormatNumber(value);
    }
    return field;
}

void CRunTrace::OnStep(CRunContext& run, CProcessBox& box, RunStep where)
{
    std::string changes = TakeChanges(run);
    if (m_hasPending) {
        m_sink(m_pending + changes);
        m_hasPending = false;
        changes.clear();
    }
    switch (where) {
    case RunStep::BeforeBox: {
        // A box the run was stopped before is not executed.
        if (!run.Running())
            return;
        std::string text = codec::Cp932ToUtf8(box.m_text);
        for (char& c : text) {
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
                c = ' ';
        }
        m_pending = PathOf(box) + '\t' + std::string(OutlineKindName(box.Kind())) + '\t' + text;
        m_hasPending = true;
        m_passes[&box] = 0;
        return;
    }
    case RunStep::LoopPass:
        m_sink(PathOf(box) + "\tpass " + std::to_string(++m_passes[&box]) + changes);
        return;
    case RunStep::AfterBox:
        if (!changes.empty())
            m_sink(PathOf(box) + "\tend" + changes);
        return;
    }
}

void CRunTrace::Finish(CRunContext& run)
{
    const std::string changes = TakeChanges(run);
    if (m_hasPending)
        m_sink(m_pending + changes);
    m_hasPending = false;
}

#include "interp/CVariableWatch.h"

#include "interp/CVariableTable.h"

#include <algorithm>
#include <cstring>

namespace {

// Another value, told apart bit by bit: 0 and -0 print differently, and a
// NaN that stays NaN has not changed.
bool SameValue(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::string RowKey(std::string_view name, int subscripts)
{
    std::string key(name);
    key += static_cast<char>(subscripts);
    return key;
}

} // namespace

std::string ElementName(const std::string& base, const std::vector<std::int32_t>& subscripts)
{
    std::string name = base;
    for (const std::int32_t index : subscripts) {
        name += '[';
        name += std::to_string(index);
        name += ']';
    }
    return name;
}

// Gathers one look at the table: scalars straight into their rows, array
// elements into a fresh list per row, merged afterwards.
class CVariableWatch::CCollector : public CVariableVisitor {
public:
    explicit CCollector(CVariableWatch& watch) : m_watch(watch) {}

    void Scalar(std::string_view name, double value) override
    {
        WatchRow& row = m_watch.RowFor(name, 0);
        const bool changed = m_fresh || !SameValue(row.value, value);
        row.value = value;
        row.changed = changed;
        m_any = m_any || changed;
    }

    void Element(std::string_view base, const std::int32_t* subscripts, int count, double value) override
    {
        m_watch.RowFor(base, count);
        const std::size_t row = m_lastRow;
        if (row >= m_elements.size())
            m_elements.resize(row + 1);
        m_elements[row].push_back({ std::vector<std::int32_t>(subscripts, subscripts + count), value, false });
        m_touched.push_back(row);
    }

    // Merges each array's new elements with the ones it had.
    void Finish()
    {
        std::sort(m_touched.begin(), m_touched.end());
        m_touched.erase(std::unique(m_touched.begin(), m_touched.end()), m_touched.end());
        for (const std::size_t index : m_touched) {
            std::vector<WatchElement>& fresh = m_elements[index];
            std::sort(fresh.begin(), fresh.end(), [](const auto& a, const auto& b) { return a.subscripts < b.subscripts; });
            WatchRow& row = m_watch.m_rows[index];
            auto old = row.elements.begin();
            bool changed = false;
            for (WatchElement& element : fresh) {
                while (old != row.elements.end() && old->subscripts < element.subscripts)
                    ++old;
                const bool known = old != row.elements.end() && old->subscripts == element.subscripts;
                element.changed = !known || !SameValue(old->value, element.value);
                changed = changed || element.changed;
            }
            row.elements = std::move(fresh);
            row.changed = changed;
            m_any = m_any || changed;
        }
    }

    bool Any() const { return m_any; }
    void NoteRow(std::size_t row, bool fresh)
    {
        m_lastRow = row;
        m_fresh = fresh;
    }

private:
    CVariableWatch& m_watch;
    std::vector<std::vector<WatchElement>> m_elements;
    std::vector<std::size_t> m_touched;
    std::size_t m_lastRow { 0 };
    bool m_fresh { false };
    bool m_any { false };
};

CVariableWatch::CVariableWatch() = default;
CVariableWatch::~CVariableWatch() = default;

WatchRow& CVariableWatch::RowFor(std::string_view name, int subscripts)
{
    std::string key = RowKey(name, subscripts);
    auto found = m_index.find(key);
    bool fresh = false;
    if (found == m_index.end()) {
        found = m_index.emplace(std::move(key), m_rows.size()).first;
        WatchRow row;
        row.name = std::string(name);
        row.subscripts = subscripts;
        m_rows.push_back(std::move(row));
        fresh = true;
    }
    if (m_collector)
        m_collector->NoteRow(found->second, fresh);
    return m_rows[found->second];
}

bool CVariableWatch::Update(const CVariableTable& table)
{
    for (WatchRow& row : m_rows) {
        row.changed = false;
        for (WatchElement& element : row.elements)
            element.changed = false;
    }
    CCollector collector(*this);
    m_collector = &collector;
    table.VisitStored(collector);
    collector.Finish();
    m_collector = nullptr;
    return collector.Any();
}

void CVariableWatch::Clear()
{
    m_rows.clear();
    m_index.clear();
}

std::vector<std::pair<std::string, double>> CVariableWatch::Changes() const
{
    std::vector<std::pair<std::string, double>> changes;
    for (const WatchRow& row : m_rows) {
        if (!row.changed)
            continue;
        if (!row.IsArray()) {
            changes.emplace_back(row.name, row.value);
            continue;
        }
        for (const WatchElement& element : row.elements) {
            if (element.changed)
                changes.emplace_back(ElementName(row.name, element.subscripts), element.value);
        }
    }
    return changes;
}

#include "CVariableTable.h"

void CVariableTable::Init() { m_values.clear(); }

void CVariableTable::Destroy()
{
    m_values.clear();
    m_values.rehash(0);
}

double CVariableTable::Get(std::string_view name) const
{
    const auto found = m_values.find(name);
    return found == m_values.end() ? 0.0 : found->second;
}

void CVariableTable::Set(std::string_view name, double value)
{
    const auto found = m_values.find(name);
    if (found != m_values.end())
        found->second = value;
    else
        m_values.emplace(std::string(name), value);
}

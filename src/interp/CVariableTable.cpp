#include "interp/CVariableTable.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>

namespace {

bool IsNameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

std::string ArrayKey(std::string_view base, int subscripts)
{
    std::string key(base);
    key += static_cast<char>(subscripts);
    return key;
}

void AppendIndex(std::string& name, std::int32_t index)
{
    char digits[16];
    const auto result = std::to_chars(digits, digits + sizeof digits, index);
    name += '[';
    name.append(digits, result.ptr);
    name += ']';
}

// Splits a name such as a[2][-5] into its base and subscripts. Only the form
// the evaluator writes counts (plain decimal, no leading zeros, no "-0"):
// a[01] is another variable than a[1], so it must not land in the same cell.
bool ParseElementName(std::string_view name, std::string_view& base, std::int32_t* indices, int& count)
{
    const std::size_t open = name.find('[');
    if (open == 0 || open == std::string_view::npos)
        return false;
    base = name.substr(0, open);
    if (!std::all_of(base.begin(), base.end(), IsNameChar))
        return false;
    count = 0;
    std::size_t i = open;
    while (i < name.size()) {
        if (name[i] != '[' || count == CVariableTable::kMaxSubscripts)
            return false;
        const std::size_t close = name.find(']', i);
        if (close == std::string_view::npos)
            return false;
        const std::string_view digits = name.substr(i + 1, close - i - 1);
        std::int64_t value = 0;
        const auto parsed = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (parsed.ec != std::errc {} || parsed.ptr != digits.data() + digits.size() || value < INT32_MIN
            || value > INT32_MAX)
            return false;
        char canonical[24];
        const auto written = std::to_chars(canonical, canonical + sizeof canonical, value);
        if (std::string_view(canonical, static_cast<std::size_t>(written.ptr - canonical)) != digits)
            return false;
        indices[count++] = static_cast<std::int32_t>(value);
        i = close + 1;
    }
    return true;
}

} // namespace

// The elements of one array. One-dimensional arrays keep the indices from 0
// upward in a dense vector (growing while the indices stay near the filled
// part) and the others in a map; arrays of more dimensions use a map keyed by
// the index bytes.
class CVariableTable::CArray {
public:
    CArray(std::string base, int subscripts) : m_base(std::move(base)), m_subscripts(subscripts) {}

    const std::string& Base() const { return m_base; }
    int Subscripts() const { return m_subscripts; }

    double Get(const std::int32_t* indices) const
    {
        if (m_subscripts == 1) {
            const std::int32_t index = indices[0];
            if (index >= 0 && static_cast<std::size_t>(index) < m_denseSize)
                return DenseValue(static_cast<std::size_t>(index));
            const auto found = m_sparse.find(index);
            return found == m_sparse.end() ? 0.0 : found->second;
        }
        const auto found = m_multi.find(MultiKey(indices));
        return found == m_multi.end() ? 0.0 : found->second;
    }

    // True when the element was not stored before.
    bool Set(const std::int32_t* indices, double value)
    {
        if (m_subscripts != 1) {
            const auto [it, inserted] = m_multi.try_emplace(MultiKey(indices), value);
            if (!inserted)
                it->second = value;
            return inserted;
        }
        const std::int32_t index = indices[0];
        if (index >= 0) {
            const auto at = static_cast<std::size_t>(index);
            if (at >= m_denseSize && at < kMaxDense && at <= 2 * m_denseSize + kDenseSlack)
                GrowDense(at + 1);
            if (at < m_denseSize) {
                StoreDense(at, value);
                const std::uint64_t bit = std::uint64_t { 1 } << (at % 64);
                std::uint64_t& word = m_stored[at / 64];
                const bool fresh = (word & bit) == 0;
                word |= bit;
                return fresh;
            }
        }
        const auto [it, inserted] = m_sparse.try_emplace(index, value);
        if (!inserted)
            it->second = value;
        else if (index >= 0)
            m_sparseLowest = std::min(m_sparseLowest, static_cast<std::size_t>(index));
        return inserted;
    }

    void Collect(std::vector<std::pair<std::string, double>>& out) const
    {
        for (std::size_t i = 0; i < m_denseSize; ++i) {
            if (m_stored[i / 64] & (std::uint64_t { 1 } << (i % 64)))
                out.emplace_back(Name(static_cast<std::int32_t>(i)), DenseValue(i));
        }
        for (const auto& [index, value] : m_sparse)
            out.emplace_back(Name(index), value);
        for (const auto& [key, value] : m_multi) {
            std::string name = m_base;
            for (std::size_t k = 0; k < key.size(); k += sizeof(std::int32_t)) {
                std::int32_t index;
                std::memcpy(&index, key.data() + k, sizeof index);
                AppendIndex(name, index);
            }
            out.emplace_back(std::move(name), value);
        }
    }

private:
    static constexpr std::size_t kMaxDense = std::size_t { 1 } << 28;
    static constexpr std::size_t kDenseSlack = 4096;
    enum class Width : std::uint8_t { Int8, Int32, Double };

    std::string Name(std::int32_t index) const
    {
        std::string name = m_base;
        AppendIndex(name, index);
        return name;
    }

    std::string MultiKey(const std::int32_t* indices) const
    {
        return std::string(reinterpret_cast<const char*>(indices), sizeof(std::int32_t) * static_cast<std::size_t>(m_subscripts));
    }

    double DenseValue(std::size_t at) const
    {
        switch (m_width) {
        case Width::Int8: return m_int8[at];
        case Width::Int32: return m_int32[at];
        default: return m_double[at];
        }
    }

    // The narrowest width that holds `value` exactly (-0.0 and NaN need a
    // double).
    static Width WidthOf(double value)
    {
        if (value == 0.0 && std::signbit(value))
            return Width::Double;
        if (value >= -128.0 && value <= 127.0 && static_cast<double>(static_cast<std::int8_t>(value)) == value)
            return Width::Int8;
        if (value >= -2147483648.0 && value <= 2147483647.0
            && static_cast<double>(static_cast<std::int32_t>(value)) == value)
            return Width::Int32;
        return Width::Double;
    }

    void StoreDense(std::size_t at, double value)
    {
        const Width needed = WidthOf(value);
        if (needed > m_width)
            Widen(needed);
        switch (m_width) {
        case Width::Int8: m_int8[at] = static_cast<std::int8_t>(value); break;
        case Width::Int32: m_int32[at] = static_cast<std::int32_t>(value); break;
        default: m_double[at] = value; break;
        }
    }

    void Widen(Width to)
    {
        if (to == Width::Int32) {
            m_int32.assign(m_int8.begin(), m_int8.end());
        } else if (m_width == Width::Int8) {
            m_double.assign(m_int8.begin(), m_int8.end());
        } else {
            m_double.assign(m_int32.begin(), m_int32.end());
        }
        std::vector<std::int8_t>().swap(m_int8);
        if (to == Width::Double)
            std::vector<std::int32_t>().swap(m_int32);
        m_width = to;
    }

    void GrowDense(std::size_t size)
    {
        switch (m_width) {
        case Width::Int8: m_int8.resize(size); break;
        case Width::Int32: m_int32.resize(size); break;
        default: m_double.resize(size); break;
        }
        m_stored.resize((size + 63) / 64);
        const std::size_t old = m_denseSize;
        m_denseSize = size;
        if (m_sparseLowest >= size)
            return;
        // Elements stored far ahead earlier now belong to the dense part.
        m_sparseLowest = SIZE_MAX;
        for (auto it = m_sparse.begin(); it != m_sparse.end();) {
            const std::int32_t index = it->first;
            if (index >= 0 && static_cast<std::size_t>(index) >= old && static_cast<std::size_t>(index) < size) {
                const auto at = static_cast<std::size_t>(index);
                StoreDense(at, it->second);
                m_stored[at / 64] |= std::uint64_t { 1 } << (at % 64);
                it = m_sparse.erase(it);
                continue;
            }
            if (index >= 0)
                m_sparseLowest = std::min(m_sparseLowest, static_cast<std::size_t>(index));
            ++it;
        }
    }

    std::string m_base;
    int m_subscripts;
    Width m_width { Width::Int8 };
    std::vector<std::int8_t> m_int8;
    std::vector<std::int32_t> m_int32;
    std::vector<double> m_double;
    std::vector<std::uint64_t> m_stored; // one bit per dense element
    std::size_t m_denseSize { 0 };
    std::unordered_map<std::int32_t, double> m_sparse;
    std::size_t m_sparseLowest { SIZE_MAX }; // smallest non-negative sparse index
    std::unordered_map<std::string, double> m_multi;
};

CVariableTable::CVariableTable() = default;
CVariableTable::~CVariableTable() = default;

void CVariableTable::Init() { Destroy(); }

void CVariableTable::Destroy()
{
    m_scalarValues.clear();
    m_scalarStored.clear();
    m_scalarNames.clear();
    m_arrays.clear();
    m_scalarIndex.clear();
    m_arrayIndex.clear();
    m_otherValues.clear();
    m_count = 0;
}

double CVariableTable::Get(std::string_view name) const
{
    std::string_view base;
    std::int32_t indices[kMaxSubscripts];
    int count = 0;
    if (name.find('[') == std::string_view::npos) {
        const auto found = m_scalarIndex.find(name);
        return found == m_scalarIndex.end() ? 0.0 : m_scalarValues[found->second];
    }
    if (ParseElementName(name, base, indices, count)) {
        const CArray* array = FindArray(base, count);
        return array ? array->Get(indices) : 0.0;
    }
    const auto found = m_otherValues.find(name);
    return found == m_otherValues.end() ? 0.0 : found->second;
}

void CVariableTable::Set(std::string_view name, double value)
{
    std::string_view base;
    std::int32_t indices[kMaxSubscripts];
    int count = 0;
    if (name.find('[') == std::string_view::npos) {
        SetScalar(ScalarSlot(name), value);
    } else if (ParseElementName(name, base, indices, count)) {
        SetElement(ArraySlot(base, count), indices, value);
    } else {
        const auto [it, inserted] = m_otherValues.try_emplace(std::string(name), value);
        if (inserted)
            ++m_count;
        else
            it->second = value;
    }
}

std::vector<std::pair<std::string, double>> CVariableTable::Entries() const
{
    std::vector<std::pair<std::string, double>> out;
    for (std::size_t i = 0; i < m_scalarNames.size(); ++i) {
        if (m_scalarStored[i])
            out.emplace_back(m_scalarNames[i], m_scalarValues[i]);
    }
    for (const auto& array : m_arrays)
        array->Collect(out);
    for (const auto& [name, value] : m_otherValues)
        out.emplace_back(name, value);
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return out;
}

std::uint32_t CVariableTable::ScalarSlot(std::string_view name)
{
    const auto found = m_scalarIndex.find(name);
    if (found != m_scalarIndex.end())
        return found->second;
    const auto slot = static_cast<std::uint32_t>(m_scalarValues.size());
    m_scalarValues.push_back(0.0);
    m_scalarStored.push_back(0);
    m_scalarNames.emplace_back(name);
    m_scalarIndex.emplace(std::string(name), slot);
    return slot;
}

std::uint32_t CVariableTable::ArraySlot(std::string_view base, int subscripts)
{
    std::string key = ArrayKey(base, subscripts);
    const auto found = m_arrayIndex.find(key);
    if (found != m_arrayIndex.end())
        return found->second;
    const auto slot = static_cast<std::uint32_t>(m_arrays.size());
    m_arrays.push_back(std::make_unique<CArray>(std::string(base), subscripts));
    m_arrayIndex.emplace(std::move(key), slot);
    return slot;
}

CVariableTable::CArray* CVariableTable::FindArray(std::string_view base, int subscripts) const
{
    const auto found = m_arrayIndex.find(ArrayKey(base, subscripts));
    return found == m_arrayIndex.end() ? nullptr : m_arrays[found->second].get();
}

double CVariableTable::Element(std::uint32_t array, const std::int32_t* indices) const
{
    return m_arrays[array]->Get(indices);
}

void CVariableTable::SetElement(std::uint32_t array, const std::int32_t* indices, double value)
{
    if (m_arrays[array]->Set(indices, value))
        ++m_count;
}

#include "interp/CVariableTable.h"

#include "interp/RunMemory.h"

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

namespace {

// One line of elements, indexed by one subscript: a one-dimensional array,
// or one row of an array of more dimensions. Non-negative indices are kept
// in pages of 4,096 elements, made when a page has gathered enough elements
// to be worth its size; until then, and for negative indices, the elements
// sit in a map. So a run pays for what it stores: a dense fill is a page
// lookup per element, thirty scattered elements cost thirty map nodes.
// Everything allocated is charged to the run's memory budget and counted in
// the owner's total. Pages hold 2^PageBits elements, and each entry of the
// page directory 2^ChunkBits pages: rows, which are many and short, take
// smaller ones than a one-dimensional array.
template <unsigned PageBits, unsigned ChunkBits>
class CLineOf {
public:
    explicit CLineOf(std::size_t& charged) : m_charged(&charged) {}
    CLineOf(const CLineOf&) = delete;
    CLineOf& operator=(const CLineOf&) = delete;

    double Get(std::int32_t index) const
    {
        // The last page found, read without going through the page.
        if (static_cast<std::uint32_t>(index) >> kPageBits == m_window.number)
            return m_window.Value(static_cast<std::uint32_t>(index) & kPageMask);
        if (const CPage* page = FindPage(index))
            return page->Value(static_cast<std::uint32_t>(index) & kPageMask);
        if (m_sparse.empty())
            return 0.0;
        const auto found = m_sparse.find(index);
        return found == m_sparse.end() ? 0.0 : found->second;
    }

    // True when the element was not stored before.
    bool Set(std::int32_t index, double value)
    {
        if (CPage* page = FindPage(index))
            return Store(*page, static_cast<std::uint32_t>(index) & kPageMask, value);
        const auto found = m_sparse.find(index);
        if (found != m_sparse.end()) {
            found->second = value;
            return false;
        }
        if (index >= 0) {
            const std::uint32_t number = static_cast<std::uint32_t>(index) >> kPageBits;
            if (FillsInOrder(index)) {
                CPage& made = MakePage(number);
                return Store(made, static_cast<std::uint32_t>(index) & kPageMask, value);
            }
            auto [waiting, fresh] = m_waiting.try_emplace(number, std::uint16_t { 0 });
            if (fresh) {
                try {
                    Charge(kSparseNodeBytes);
                } catch (...) {
                    m_waiting.erase(waiting);
                    throw;
                }
            }
            if (waiting->second + 1 >= kElementsPerPage) {
                CPage& made = MakePage(number);
                return Store(made, static_cast<std::uint32_t>(index) & kPageMask, value);
            }
            ++waiting->second;
        }
        Charge(kSparseNodeBytes);
        m_sparse.emplace(index, value);
        return true;
    }

    CPageWindow& Window() { return m_window; }

    // Whether a new element goes on a fill in ascending order: the element
    // before it was the last new one, kSequentialRun of them in a row, or
    // is kept in a page. Such a fill will fill the page, so the page is made
    // now rather than after kElementsPerPage elements in the map.
    bool FillsInOrder(std::int32_t index)
    {
        std::uint32_t run = 1;
        if (index > 0) {
            if (index - 1 == m_lastNew) {
                run = m_newRun + 1;
            } else if (const CPage* before = FindPage(index - 1);
                       before && before->IsStored(static_cast<std::uint32_t>(index - 1) & kPageMask)) {
                run = kSequentialRun;
            }
        }
        m_lastNew = index;
        m_newRun = run;
        return run >= kSequentialRun;
    }

    // Calls f(index, value) for every element kept in a page, by index.
    template <class F>
    void ForEachPaged(F&& f) const
    {
        for (std::size_t c = 0; c < m_chunks.size(); ++c) {
            if (!m_chunks[c])
                continue;
            for (std::size_t p = 0; p < kPagesPerChunk; ++p) {
                const CPage* page = m_chunks[c]->pages[p].get();
                if (!page)
                    continue;
                const std::size_t first = ((c << kChunkBits) + p) << kPageBits;
                for (std::uint32_t i = 0; i < kPageSize; ++i) {
                    if (page->IsStored(i))
                        f(static_cast<std::int32_t>(first + i), page->Value(i));
                }
            }
        }
    }

    // Calls f(index, value) for every element stored.
    template <class F>
    void ForEach(F&& f) const
    {
        ForEachPaged(f);
        for (const auto& [index, value] : m_sparse)
            f(index, value);
    }

private:
    static constexpr unsigned kPageBits = PageBits;
    static constexpr std::uint32_t kPageSize = 1u << kPageBits;
    static constexpr std::uint32_t kPageMask = kPageSize - 1;
    static constexpr unsigned kChunkBits = ChunkBits; // pages per entry of the directory
    static constexpr std::size_t kPagesPerChunk = std::size_t { 1 } << kChunkBits;
    static constexpr std::uint32_t kChunkMask = kPagesPerChunk - 1;
    // A page is made once this many of its elements are stored: below it,
    // map nodes cost less than the page would.
    static constexpr std::uint16_t kElementsPerPage = 128;
    // Or once this many are stored one after the other in ascending order.
    static constexpr std::uint32_t kSequentialRun = 16;
    // What one map element costs with its share of the buckets (an estimate
    // of the allocator's use, for the memory budget).
    static constexpr std::size_t kSparseNodeBytes = 48;
    using Width = CPageWindow::Width;

    // 4,096 elements in the narrowest integer width that holds their values,
    // so that a large sieve stays small, and a bit per element stored.
    class CPage {
    public:
        double Value(std::uint32_t at) const
        {
            switch (m_width) {
            case Width::Int8: return m_int8[at];
            case Width::Int32: return m_int32[at];
            default: return m_double[at];
            }
        }
        bool IsStored(std::uint32_t at) const { return (m_stored[at / 64] >> (at % 64)) & 1; }
        // True when the element was not stored before.
        bool MarkStored(std::uint32_t at) { return CPageWindow::MarkStored(m_stored, at); }
        std::uint64_t* StoredBits() { return m_stored; }
        Width CurrentWidth() const { return m_width; }
        void* Data()
        {
            switch (m_width) {
            case Width::Int8: return m_int8.data();
            case Width::Int32: return m_int32.data();
            default: return m_double.data();
            }
        }
        // Stores when the page's width holds the value exactly (-0.0 and
        // NaN only a double does).
        bool TryStoreInWidth(std::uint32_t at, double value) { return CPageWindow::StoreInWidth(m_width, Data(), at, value); }
        // Stores when `needed` is at most the page's width.
        bool TryStore(std::uint32_t at, double value, Width needed)
        {
            if (needed > m_width)
                return false;
            switch (m_width) {
            case Width::Int8: m_int8[at] = static_cast<std::int8_t>(value); break;
            case Width::Int32: m_int32[at] = static_cast<std::int32_t>(value); break;
            default: m_double[at] = value; break;
            }
            return true;
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

    private:
        Width m_width { Width::Int8 };
        std::vector<std::int8_t> m_int8 = std::vector<std::int8_t>(kPageSize);
        std::vector<std::int32_t> m_int32;
        std::vector<double> m_double;
        std::uint64_t m_stored[kPageSize / 64] {};
    };

    struct CChunk {
        std::unique_ptr<CPage> pages[kPagesPerChunk];
    };

    static std::size_t WidthBytes(Width width)
    {
        switch (width) {
        case Width::Int8: return 1;
        case Width::Int32: return 4;
        default: return 8;
        }
    }

    void Charge(std::size_t bytes)
    {
        ChargeRunMemory(bytes);
        *m_charged += bytes;
    }

    // The page of a non-negative index, if it has one; the last page found
    // is remembered, since runs mostly walk an array in order.
    CPage* FindPage(std::int32_t index) const
    {
        const std::uint32_t number = static_cast<std::uint32_t>(index) >> kPageBits;
        if (number == m_window.number)
            return m_lastPage;
        if (index < 0)
            return nullptr;
        const std::size_t chunk = number >> kChunkBits;
        if (chunk >= m_chunks.size() || !m_chunks[chunk])
            return nullptr;
        CPage* page = m_chunks[chunk]->pages[number & kChunkMask].get();
        if (page)
            Remember(number, page);
        return page;
    }

    // Makes `page` the one remembered; again whenever its width changes,
    // which moves its values.
    void Remember(std::uint32_t number, CPage* page) const
    {
        m_window.number = number;
        m_lastPage = page;
        m_window.data = page->Data();
        m_window.stored = page->StoredBits();
        m_window.width = page->CurrentWidth();
    }

    CChunk& ChunkOf(std::uint32_t number)
    {
        const std::size_t chunk = number >> kChunkBits;
        if (chunk >= m_chunks.size()) {
            Charge((chunk + 1 - m_chunks.size()) * sizeof(m_chunks[0]));
            m_chunks.resize(chunk + 1);
        }
        if (!m_chunks[chunk]) {
            Charge(sizeof(CChunk));
            m_chunks[chunk] = std::make_unique<CChunk>();
        }
        return *m_chunks[chunk];
    }

    // Makes page `number` and moves the elements of its range out of the
    // map into it.
    CPage& MakePage(std::uint32_t number)
    {
        CChunk& chunk = ChunkOf(number);
        const std::uint32_t first = number << kPageBits;
        Charge(sizeof(CPage) + kPageSize);
        auto& slot = chunk.pages[number & kChunkMask];
        slot = std::make_unique<CPage>();
        CPage& page = *slot;
        const auto waiting = m_waiting.find(number);
        std::uint32_t left = waiting == m_waiting.end() ? 0 : waiting->second;
        for (std::uint32_t i = 0; i < kPageSize && left > 0; ++i) {
            const auto found = m_sparse.find(static_cast<std::int32_t>(first + i));
            if (found == m_sparse.end())
                continue;
            Store(page, i, found->second);
            m_sparse.erase(found);
            ReleaseCharge(kSparseNodeBytes);
            --left;
        }
        if (waiting != m_waiting.end()) {
            m_waiting.erase(waiting);
            ReleaseCharge(kSparseNodeBytes);
        }
        Remember(number, &page);
        return page;
    }

    bool Store(CPage& page, std::uint32_t at, double value)
    {
        // Mostly the page's width holds the value: no narrowest width to
        // find.
        if (page.TryStoreInWidth(at, value)) [[likely]]
            return page.MarkStored(at);
        const Width needed = WidthOf(value);
        if (!page.TryStore(at, value, needed)) {
            Charge(kPageSize * (WidthBytes(needed) - WidthBytes(page.CurrentWidth())));
            page.Widen(needed);
            if (&page == m_lastPage)
                Remember(m_window.number, &page);
            page.TryStore(at, value, needed);
        }
        return page.MarkStored(at);
    }

    void ReleaseCharge(std::size_t bytes)
    {
        ReleaseRunMemory(bytes);
        *m_charged -= bytes;
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

    std::size_t* m_charged;
    std::vector<std::unique_ptr<CChunk>> m_chunks;
    mutable CPageWindow m_window; // on m_lastPage
    mutable CPage* m_lastPage { nullptr };
    // The last element stored anew outside the pages, and how many before
    // it were stored anew one after the other.
    std::int32_t m_lastNew { -2 };
    std::uint32_t m_newRun { 0 };
    std::unordered_map<std::int32_t, double> m_sparse;
    // Per page not yet made: how many of its elements m_sparse holds.
    std::unordered_map<std::uint32_t, std::uint16_t> m_waiting;
};

// A one-dimensional array: pages of 4,096 elements, 1,024 pages to a
// directory entry.
using CLine = CLineOf<CVariableTable::kLinePageBits, 10>;
// A row: pages of 512 elements, 128 to a directory entry (a kilobyte).
using CRow = CLineOf<CVariableTable::kRowPageBits, 7>;

} // namespace

// The elements of one array. A one-dimensional array is one line. An array
// of more dimensions is a set of rows, one line per combination of all but
// the last subscript, made when its first element is stored: rows by the
// first subscript directly when there are two and it is small and not
// negative, the others in a map keyed by the subscripts' bytes. So a
// two-dimensional table filled row by row is as dense as a one-dimensional
// array, and scattered elements still cost only what they store.
class CVariableTable::CArray {
public:
    CArray(std::string base, int subscripts) : m_base(std::move(base)), m_subscripts(subscripts), m_line(m_charged) {}
    ~CArray()
    {
        m_rowWindows.clear();
        m_direct.clear();
        m_rows.clear();
        ReleaseRunMemory(m_charged);
    }
    CArray(const CArray&) = delete;
    CArray& operator=(const CArray&) = delete;

    double Get(const std::int32_t* indices) const
    {
        if (m_subscripts == 1)
            return m_line.Get(indices[0]);
        const CRow* row = FindRow(indices);
        return row ? row->Get(indices[m_subscripts - 1]) : 0.0;
    }

    double Get1(std::int32_t index) const { return m_line.Get(index); }
    // The window of a one-dimensional array (which the others never use).
    CPageWindow& Window() { return m_line.Window(); }
    // The windows of the rows by their first subscript.
    const std::vector<CPageWindow*>& RowWindows() const { return m_rowWindows; }
    bool Set2(std::int32_t row, std::int32_t column, double value)
    {
        if (row >= 0 && static_cast<std::size_t>(row) < m_direct.size()) {
            if (CRow* line = m_direct[static_cast<std::size_t>(row)].get())
                return line->Set(column, value);
        }
        const std::int32_t indices[] = { row, column };
        return Set(indices, value);
    }
    double Get2(std::int32_t row, std::int32_t column) const
    {
        if (row >= 0 && row < kDirectRows) {
            const auto at = static_cast<std::size_t>(row);
            const CRow* line = at < m_direct.size() ? m_direct[at].get() : nullptr;
            return line ? line->Get(column) : 0.0;
        }
        const std::int32_t indices[] = { row, column };
        return Get(indices);
    }
    bool Set1(std::int32_t index, double value) { return m_line.Set(index, value); }

    // True when the element was not stored before.
    bool Set(const std::int32_t* indices, double value)
    {
        if (m_subscripts == 1)
            return m_line.Set(indices[0], value);
        return MakeRow(indices).Set(indices[m_subscripts - 1], value);
    }

    void Collect(std::vector<std::pair<std::string, double>>& out) const
    {
        ForEach([&](const std::int32_t* indices, double value) {
            std::string name = m_base;
            for (int k = 0; k < m_subscripts; ++k)
                AppendIndex(name, indices[k]);
            out.emplace_back(std::move(name), value);
        });
    }

    void Visit(CVariableVisitor& visitor) const
    {
        ForEach([&](const std::int32_t* indices, double value) { visitor.Element(m_base, indices, m_subscripts, value); });
    }

private:
    // Rows by their first subscript below this many; the table of them is
    // at most half a megabyte.
    static constexpr std::int32_t kDirectRows = 1 << 16;
    static constexpr std::size_t kRowBytes = sizeof(CRow) + 64;
    static constexpr std::size_t kRowKeyBytes = 80;

    bool IsDirect(const std::int32_t* indices) const
    {
        return m_subscripts == 2 && indices[0] >= 0 && indices[0] < kDirectRows;
    }

    std::string RowKey(const std::int32_t* indices) const
    {
        return std::string(reinterpret_cast<const char*>(indices), sizeof(std::int32_t) * static_cast<std::size_t>(m_subscripts - 1));
    }

    const CRow* FindRow(const std::int32_t* indices) const
    {
        if (IsDirect(indices)) {
            const auto at = static_cast<std::size_t>(indices[0]);
            return at < m_direct.size() ? m_direct[at].get() : nullptr;
        }
        const auto found = m_rows.find(RowKey(indices));
        return found == m_rows.end() ? nullptr : found->second.get();
    }

    CRow& MakeRow(const std::int32_t* indices)
    {
        if (IsDirect(indices)) {
            const auto at = static_cast<std::size_t>(indices[0]);
            if (at < m_direct.size() && m_direct[at])
                return *m_direct[at];
            if (at >= m_direct.size()) {
                // Grown by at least half again, so that rows made in order
                // do not copy the table each time.
                const std::size_t size = std::min<std::size_t>(kDirectRows, std::max(at + 1, m_direct.size() * 3 / 2));
                Charge((size - m_direct.size()) * (sizeof(m_direct[0]) + sizeof(m_rowWindows[0])));
                m_direct.resize(size);
                m_rowWindows.resize(size);
            }
            Charge(kRowBytes);
            m_direct[at] = std::make_unique<CRow>(m_charged);
            m_rowWindows[at] = &m_direct[at]->Window();
            return *m_direct[at];
        }
        std::string key = RowKey(indices);
        if (const auto found = m_rows.find(key); found != m_rows.end())
            return *found->second;
        Charge(kRowBytes + kRowKeyBytes);
        return *m_rows.emplace(std::move(key), std::make_unique<CRow>(m_charged)).first->second;
    }

    // Calls f(indices, value) for every element stored.
    template <class F>
    void ForEach(F&& f) const
    {
        std::int32_t indices[CVariableTable::kMaxSubscripts] {};
        const int last = m_subscripts - 1;
        auto row = [&](const auto& line) {
            line.ForEach([&](std::int32_t index, double value) {
                indices[last] = index;
                f(static_cast<const std::int32_t*>(indices), value);
            });
        };
        if (m_subscripts == 1) {
            row(m_line);
            return;
        }
        for (std::size_t at = 0; at < m_direct.size(); ++at) {
            if (m_direct[at]) {
                indices[0] = static_cast<std::int32_t>(at);
                row(*m_direct[at]);
            }
        }
        for (const auto& [key, line] : m_rows) {
            std::memcpy(indices, key.data(), key.size());
            row(*line);
        }
    }

    void Charge(std::size_t bytes)
    {
        ChargeRunMemory(bytes);
        m_charged += bytes;
    }

    std::string m_base;
    int m_subscripts;
    std::size_t m_charged { 0 };
    CLine m_line; // a one-dimensional array's elements
    std::vector<std::unique_ptr<CRow>> m_direct;
    std::vector<CPageWindow*> m_rowWindows; // of m_direct's rows
    std::unordered_map<std::string, std::unique_ptr<CRow>> m_rows;
};


namespace {
// A scalar or an odd name: the name, the value and the index entry.
constexpr std::size_t kNamedEntryBytes = 96;
} // namespace

CVariableTable::CVariableTable() = default;
CVariableTable::~CVariableTable() { Destroy(); }

void CVariableTable::Init() { Destroy(); }

void CVariableTable::SetLoopIndex(std::uint32_t slot, double value)
{
    const bool integral = value >= -CLoopIndex::kRange && value <= CLoopIndex::kRange && value == std::trunc(value);
    m_loopIndex.slot = integral ? slot : CLoopIndex::kNone;
    m_loopIndex.value = value;
    m_loopIndex.integer = integral ? static_cast<std::int32_t>(value) : 0;
}

void CVariableTable::Destroy()
{
    m_scalarValues.clear();
    m_scalarStored.clear();
    m_scalarNames.clear();
    m_windows.clear();
    m_rowWindows.clear();
    m_arrays.clear();
    m_scalarIndex.clear();
    m_arrayIndex.clear();
    m_otherValues.clear();
    m_count = 0;
    m_loopIndex = CLoopIndex {};
    ReleaseRunMemory(m_charged);
    m_charged = 0;
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
    } else if (const auto found = m_otherValues.find(name); found != m_otherValues.end()) {
        found->second = value;
    } else {
        Charge(kNamedEntryBytes + name.size());
        m_otherValues.emplace(std::string(name), value);
        ++m_count;
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

void CVariableTable::VisitStored(CVariableVisitor& visitor) const
{
    for (std::size_t i = 0; i < m_scalarNames.size(); ++i) {
        if (m_scalarStored[i])
            visitor.Scalar(m_scalarNames[i], m_scalarValues[i]);
    }
    for (const auto& [name, value] : m_otherValues)
        visitor.Scalar(name, value);
    for (const auto& array : m_arrays)
        array->Visit(visitor);
}

std::uint32_t CVariableTable::ScalarSlot(std::string_view name)
{
    const auto found = m_scalarIndex.find(name);
    if (found != m_scalarIndex.end())
        return found->second;
    Charge(kNamedEntryBytes + name.size());
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
    Charge(kNamedEntryBytes + base.size());
    const auto slot = static_cast<std::uint32_t>(m_arrays.size());
    m_windows.reserve(m_arrays.size() + 1);
    m_rowWindows.reserve(m_arrays.size() + 1);
    m_arrays.push_back(std::make_unique<CArray>(std::string(base), subscripts));
    m_windows.push_back(&m_arrays.back()->Window());
    m_rowWindows.push_back(&m_arrays.back()->RowWindows());
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

double CVariableTable::Element1Found(std::uint32_t array, std::int32_t index) const
{
    return m_arrays[array]->Get1(index);
}

double CVariableTable::Element2Found(std::uint32_t array, std::int32_t row, std::int32_t column) const
{
    return m_arrays[array]->Get2(row, column);
}

void CVariableTable::SetElement2Found(std::uint32_t array, std::int32_t row, std::int32_t column, double value)
{
    if (m_arrays[array]->Set2(row, column, value))
        ++m_count;
}

void CVariableTable::SetElement1Found(std::uint32_t array, std::int32_t index, double value)
{
    if (m_arrays[array]->Set1(index, value))
        ++m_count;
}

void CVariableTable::Charge(std::size_t bytes)
{
    ChargeRunMemory(bytes);
    m_charged += bytes;
}

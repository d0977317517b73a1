#pragma once
// The variables of one run: named doubles, array elements included under
// names such as a[2][5]. A name never stored reads as 0.
//
// Names are the interface (input boxes, output, the reference evaluator and
// the code generator's set of declared names all use them), but the storage
// is arranged for compiled texts: a scalar name is a slot in a vector, and
// the elements of one array (one base name and one number of subscripts)
// live together, a one-dimensional array in pages made as they fill, each in
// the smallest integer width that holds its values so that a large sieve
// stays small. What the table allocates is charged to the run's memory
// budget (RunMemory.h): a store past it throws CRunMemoryExhausted.

#include "interp/Limits.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <unordered_map>
#include <utility>
#include <vector>

// What a variable watch sees of the table: every stored variable, without
// regard to how the values are kept.
class CVariableVisitor {
public:
    virtual ~CVariableVisitor() = default;
    virtual void Scalar(std::string_view name, double value) = 0;
    // One stored element of the array `base` that takes `count` subscripts.
    virtual void Element(std::string_view base, const std::int32_t* subscripts, int count, double value) = 0;
};

// The page of an array's elements that was found last, which the next
// access most likely wants, since runs mostly walk an array in order: read
// where the access is compiled, without a call.
// The value of the counting loop that runs innermost, as an integer beside
// the double in its slot, so that a subscript of it need not convert it:
// valid only while the slot still holds `value` (a reader checks that, so
// anything else storing into the slot leaves it unused, never wrong).
// `integer` is always `value` exactly.
struct CLoopIndex {
    static constexpr std::uint32_t kNone = UINT32_MAX;
    // Only values within 2^30 either way are kept, so that a subscript's
    // constant of less than 2^30 added to one stays an int32.
    static constexpr double kRange = 1073741824.0;
    std::uint32_t slot { kNone };
    double value { 0.0 };
    std::int32_t integer { 0 };
};

struct CPageWindow {
    static constexpr std::uint32_t kNone = UINT32_MAX;
    enum Width : std::uint8_t { Int8, Int32, Double };
    std::uint32_t number { kNone }; // the page's number: the index shifted right
    Width width { Int8 };
    void* data { nullptr };
    std::uint64_t* stored { nullptr }; // the page's bits of the elements stored

    double Value(std::uint32_t at) const
    {
        switch (width) {
        case Int8: return static_cast<const std::int8_t*>(data)[at];
        case Int32: return static_cast<const std::int32_t*>(data)[at];
        default: return static_cast<const double*>(data)[at];
        }
    }
    // Stores the element when the page's width holds the value exactly
    // (-0.0 and NaN only a double does); `fresh` tells whether it was not
    // stored before.
    [[gnu::always_inline]] bool Store(std::uint32_t at, double value, bool& fresh)
    {
        if (!StoreInWidth(width, data, at, value))
            return false;
        fresh = MarkStored(stored, at);
        return true;
    }
    [[gnu::always_inline]] static bool StoreInWidth(Width width, void* data, std::uint32_t at, double value)
    {
        if (width == Int32) [[likely]]
            return StoreNarrow<std::int32_t>(data, at, value, -2147483648.0, 2147483647.0);
        if (width == Int8)
            return StoreNarrow<std::int8_t>(data, at, value, -128.0, 127.0);
        static_cast<double*>(data)[at] = value;
        return true;
    }
    // True when the element was not stored before.
    static bool MarkStored(std::uint64_t* bits, std::uint32_t at)
    {
        // Mostly stored before: then nothing is written.
        std::uint64_t& word = bits[at / 64];
        const std::uint64_t bit = std::uint64_t { 1 } << (at % 64);
        if (word & bit) [[likely]]
            return false;
        word |= bit;
        return true;
    }

private:
    template <class Int>
    static bool StoreNarrow(void* data, std::uint32_t at, double value, double low, double high)
    {
#if defined(__SSE2__)
        // The truncation gives 0x80000000 for NaN and whatever is out of
        // range, and the value holds exactly when converting back gives
        // the same bits (which also tells -0.0 from 0).
        const std::int32_t whole = _mm_cvttsd_si32(_mm_set_sd(value));
        if (std::bit_cast<std::uint64_t>(static_cast<double>(whole)) != std::bit_cast<std::uint64_t>(value))
            return false;
        if constexpr (sizeof(Int) < sizeof(std::int32_t)) {
            if (!(whole >= low && whole <= high))
                return false;
        }
        static_cast<Int*>(data)[at] = static_cast<Int>(whole);
#else
        if (!(value >= low && value <= high))
            return false;
        const auto narrow = static_cast<Int>(value);
        if (static_cast<double>(narrow) != value || (narrow == 0 && std::signbit(value)))
            return false;
        static_cast<Int*>(data)[at] = narrow;
#endif
        return true;
    }
};

class CVariableTable {
public:
    // A one-dimensional array's pages hold 2^kLinePageBits elements.
    static constexpr unsigned kLinePageBits = 12;
    // A row's pages (a row: the elements of an array of more subscripts
    // that differ in the last one) hold 2^kRowPageBits elements.
    static constexpr unsigned kRowPageBits = 9;

    static constexpr int kMaxSubscripts = ::kMaxSubscripts;

    CVariableTable();
    ~CVariableTable();
    CVariableTable(const CVariableTable&) = delete;
    CVariableTable& operator=(const CVariableTable&) = delete;

    // A table is empty when made and frees everything when destroyed; these
    // empty it in between (Init at a fresh start, Destroy at a run's end).
    void Init();
    void Destroy();
    double Get(std::string_view name) const;
    void Set(std::string_view name, double value);
    // The number of names stored so far.
    std::size_t Count() const { return m_count; }
    // Every stored name with its value, ordered by name (for tests and
    // diagnostics; element names are written as the evaluator writes them).
    std::vector<std::pair<std::string, double>> Entries() const;
    // Every stored variable: the scalars, then the elements of each array
    // (in no promised order within an array).
    void VisitStored(CVariableVisitor& visitor) const;

    // Slot access for compiled texts. A slot exists from its first request
    // and counts as stored only once a value is set.
    std::uint32_t ScalarSlot(std::string_view name);
    double Scalar(std::uint32_t slot) const { return m_scalarValues[slot]; }
    bool ScalarStored(std::uint32_t slot) const { return m_scalarStored[slot] != 0; }
    void SetScalar(std::uint32_t slot, double value)
    {
        m_scalarValues[slot] = value;
        if (!m_scalarStored[slot]) {
            m_scalarStored[slot] = 1;
            ++m_count;
        }
    }
    // The loop index above: a counting loop's pass moved its variable in
    // `slot` from `before` by `delta` to `after` (stored already).
    const CLoopIndex& LoopIndex() const { return m_loopIndex; }
    void CountLoop(std::uint32_t slot, double before, double after, std::int32_t delta)
    {
        // In the index's range, an integral value plus an integral delta is
        // exact both ways; the conversion is needed only at a loop's first
        // pass (or after something else stored into the slot).
        if (slot == m_loopIndex.slot && before == m_loopIndex.value && after >= -CLoopIndex::kRange
            && after <= CLoopIndex::kRange && delta != kNoDelta) [[likely]] {
            m_loopIndex.value = after;
            m_loopIndex.integer += delta;
            return;
        }
        SetLoopIndex(slot, after);
    }
    void SetLoopIndex(std::uint32_t slot, double value);
    // A delta that is not an int32.
    static constexpr std::int32_t kNoDelta = INT32_MIN;
    std::uint32_t ArraySlot(std::string_view base, int subscripts);
    double Element(std::uint32_t array, const std::int32_t* indices) const;
    void SetElement(std::uint32_t array, const std::int32_t* indices, double value);
    // The same for an array of one subscript, and a read of two.
    double Element1(std::uint32_t array, std::int32_t index) const { return Element1(*m_windows[array], array, index); }
    void SetElement1(std::uint32_t array, std::int32_t index, double value) { SetElement1(*m_windows[array], array, index, value); }
    double Element2(std::uint32_t array, std::int32_t row, std::int32_t column) const
    {
        return Element2(*m_rowWindows[array], array, row, column);
    }
    void SetElement2(std::uint32_t array, std::int32_t row, std::int32_t column, double value)
    {
        SetElement2(*m_rowWindows[array], array, row, column, value);
    }
    // The array's windows, for a compiled element to hold (a read through
    // them starts with them at hand): valid until Destroy.
    CPageWindow& Window(std::uint32_t array) { return *m_windows[array]; }
    const std::vector<CPageWindow*>& RowWindows(std::uint32_t array) const { return *m_rowWindows[array]; }
    // The accesses above with the array's windows at hand.
    [[gnu::always_inline]] double Element1(const CPageWindow& window, std::uint32_t array, std::int32_t index) const
    {
        const auto at = static_cast<std::uint32_t>(index);
        if (at >> kLinePageBits == window.number) [[likely]]
            return window.Value(at & ((1u << kLinePageBits) - 1));
        return Element1Found(array, index);
    }
    [[gnu::always_inline]] void SetElement1(CPageWindow& window, std::uint32_t array, std::int32_t index, double value)
    {
        const auto at = static_cast<std::uint32_t>(index);
        bool fresh = false;
        if (at >> kLinePageBits == window.number && window.Store(at & ((1u << kLinePageBits) - 1), value, fresh)) [[likely]] {
            if (fresh) [[unlikely]]
                ++m_count;
            return;
        }
        SetElement1Found(array, index, value);
    }
    // Exchanges elements `first` and `second` of the one-dimensional array
    // whose window this is and gives the one that was at `first`, when both
    // are on the window's page; false (and nothing done) otherwise.
    [[gnu::always_inline]] bool ExchangeOnPage(CPageWindow& window, std::int32_t first, std::int32_t second, double& was)
    {
        const auto i = static_cast<std::uint32_t>(first);
        const auto k = static_cast<std::uint32_t>(second);
        if (i >> kLinePageBits != window.number || k >> kLinePageBits != window.number)
            return false;
        const std::uint32_t mask = (1u << kLinePageBits) - 1;
        if (window.width == CPageWindow::Int32) [[likely]]
            was = Exchange(static_cast<std::int32_t*>(window.data), i & mask, k & mask);
        else if (window.width == CPageWindow::Int8)
            was = Exchange(static_cast<std::int8_t*>(window.data), i & mask, k & mask);
        else
            was = Exchange(static_cast<double*>(window.data), i & mask, k & mask);
        // In the order the two stores would mark them.
        if (CPageWindow::MarkStored(window.stored, i & mask)) [[unlikely]]
            ++m_count;
        if (CPageWindow::MarkStored(window.stored, k & mask)) [[unlikely]]
            ++m_count;
        return true;
    }
    // The window of a row, or null for a row not made (or kept otherwise).
    static CPageWindow* RowWindow(const std::vector<CPageWindow*>& rows, std::int32_t row)
    {
        return static_cast<std::uint32_t>(row) < rows.size() ? rows[static_cast<std::uint32_t>(row)] : nullptr;
    }
    [[gnu::always_inline]] double Element2(
        const std::vector<CPageWindow*>& rows, std::uint32_t array, std::int32_t row, std::int32_t column) const
    {
        return Element2(RowWindow(rows, row), array, row, column);
    }
    [[gnu::always_inline]] void SetElement2(
        const std::vector<CPageWindow*>& rows, std::uint32_t array, std::int32_t row, std::int32_t column, double value)
    {
        SetElement2(RowWindow(rows, row), array, row, column, value);
    }
    // The same with the row's window (RowWindow) at hand.
    [[gnu::always_inline]] double Element2(const CPageWindow* window, std::uint32_t array, std::int32_t row, std::int32_t column) const
    {
        const auto at = static_cast<std::uint32_t>(column);
        if (window && at >> kRowPageBits == window->number) [[likely]]
            return window->Value(at & ((1u << kRowPageBits) - 1));
        return Element2Found(array, row, column);
    }
    [[gnu::always_inline]] void SetElement2(CPageWindow* window, std::uint32_t array, std::int32_t row, std::int32_t column, double value)
    {
        const auto at = static_cast<std::uint32_t>(column);
        bool fresh = false;
        if (window && at >> kRowPageBits == window->number
            && window->Store(at & ((1u << kRowPageBits) - 1), value, fresh)) [[likely]] {
            if (fresh) [[unlikely]]
                ++m_count;
            return;
        }
        SetElement2Found(array, row, column, value);
    }

private:
    class CArray;
    CArray* FindArray(std::string_view base, int subscripts) const;
    template <class Value>
    static double Exchange(Value* data, std::uint32_t i, std::uint32_t k)
    {
        const Value first = data[i];
        data[i] = data[k];
        data[k] = first;
        return static_cast<double>(first);
    }
    double Element1Found(std::uint32_t array, std::int32_t index) const;
    double Element2Found(std::uint32_t array, std::int32_t row, std::int32_t column) const;
    void SetElement1Found(std::uint32_t array, std::int32_t index, double value);
    void SetElement2Found(std::uint32_t array, std::int32_t row, std::int32_t column, double value);
    void Charge(std::size_t bytes);

    std::vector<double> m_scalarValues;
    std::vector<std::uint8_t> m_scalarStored;
    std::vector<std::string> m_scalarNames;
    std::vector<std::unique_ptr<CArray>> m_arrays;
    // Each array's window on its last page (of a one-dimensional array;
    // one that never matches for the others).
    std::vector<CPageWindow*> m_windows;
    // And the windows of the rows of a two-dimensional array, by the first
    // subscript while it is small (null for a row not made; empty for the
    // other arrays).
    std::vector<const std::vector<CPageWindow*>*> m_rowWindows;
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view> {}(s); }
    };
    std::unordered_map<std::string, std::uint32_t, Hash, std::equal_to<>> m_scalarIndex;
    // Keyed by the base name followed by a byte holding the subscript count.
    std::unordered_map<std::string, std::uint32_t, Hash, std::equal_to<>> m_arrayIndex;
    // Names that are neither identifiers nor canonical element names (only
    // callers other than the evaluator can make them).
    std::unordered_map<std::string, double, Hash, std::equal_to<>> m_otherValues;
    std::size_t m_count { 0 };
    CLoopIndex m_loopIndex;
    std::size_t m_charged { 0 }; // by the names; each array keeps its own count
};

#pragma once
// A watch on the variables of a run: every variable the run has assigned, in
// the order in which the watch first saw it, arrays as one row with their
// elements, and what changed since the watch last looked. The watch reads
// the table only through CVariableTable::VisitStored, so it does not care
// how values are stored. Update it on the thread that runs the chart (or
// while that thread waits); the rows are plain values that can be copied to
// any other thread.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CVariableTable;

struct WatchElement {
    std::vector<std::int32_t> subscripts;
    double value { 0.0 };
    bool changed { false }; // new or another value since the last look
};

struct WatchRow {
    std::string name;      // the variable's name; an array's base name
    int subscripts { 0 };  // 0 for a scalar; a[1] and a[1][2] are two arrays
    double value { 0.0 };  // a scalar's value
    std::vector<WatchElement> elements; // an array's elements, by subscripts
    bool changed { false }; // the scalar, or any element, changed

    bool IsArray() const { return subscripts > 0; }
};

// An element's name as the evaluator writes it: a[2][-5].
std::string ElementName(const std::string& base, const std::vector<std::int32_t>& subscripts);

class CVariableWatch {
public:
    CVariableWatch();
    ~CVariableWatch();
    CVariableWatch(const CVariableWatch&) = delete;
    CVariableWatch& operator=(const CVariableWatch&) = delete;

    // Looks at the table again: new variables get rows at the end, and the
    // changed marks say what differs from the previous look. True when
    // anything changed.
    bool Update(const CVariableTable& table);
    // Forgets every row (a new run).
    void Clear();

    const std::vector<WatchRow>& Rows() const { return m_rows; }

    // What the last Update found changed, in row order, as "name=value"
    // pairs with the console's number format (array elements by their
    // element names).
    std::vector<std::pair<std::string, double>> Changes() const;

private:
    class CCollector;
    WatchRow& RowFor(std::string_view name, int subscripts);

    CCollector* m_collector { nullptr }; // during Update
    std::vector<WatchRow> m_rows;
    // Row of each variable, keyed by name and subscript count.
    std::unordered_map<std::string, std::size_t> m_index;
};

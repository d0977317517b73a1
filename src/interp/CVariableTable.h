#pragma once
// The variables of one run: named doubles, array elements included under
// names such as a[2][5]. A name never stored reads as 0.

#include <string>
#include <string_view>
#include <unordered_map>

class CVariableTable {
public:
    void Init();
    void Destroy();
    double Get(std::string_view name) const;
    void Set(std::string_view name, double value);
    std::size_t Count() const { return m_values.size(); }

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view> {}(s); }
    };
    std::unordered_map<std::string, double, Hash, std::equal_to<>> m_values;
};

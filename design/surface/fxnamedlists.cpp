#include "design/surface/fxnamedlists.h"

#include <algorithm>
#include <cstdlib>

#include "foundation/fxstrings.h"

CFxNamedLists::CFxNamedLists() = default;
CFxNamedLists::~CFxNamedLists() = default;

void CFxNamedLists::DefineHeader(const std::string& text, char delim) {
    m_header.clear();
    SplitString(text, m_header, delim);
}

void CFxNamedLists::SetList(const std::string& name, const std::string& text, char delim) {
    auto& list = m_lists[name];
    list.clear();
    SplitString(text, list, delim);
}

void CFxNamedLists::AppendToList(const std::string& name, const std::vector<std::string>& texts) {
    auto& list = m_lists[name];
    list.insert(list.end(), texts.begin(), texts.end());
}

int CFxNamedLists::GetMaxListSize() const {
    std::size_t most = 0;
    for (const auto& [name, list] : m_lists) most = std::max(most, list.size());
    return static_cast<int>(most);
}

std::string CFxNamedLists::GetListItem(const std::string& name, int n) const {
    const auto it = m_lists.find(name);
    if (it == m_lists.end() || n < 0 || static_cast<std::size_t>(n) >= it->second.size()) return {};
    return it->second[static_cast<std::size_t>(n)];
}

int CFxNamedLists::GetListInt(const std::string& name, int n, int fallback) const {
    const auto it = m_lists.find(name);
    if (it == m_lists.end() || n < 0 || static_cast<std::size_t>(n) >= it->second.size())
        return fallback;
    return std::atoi(it->second[static_cast<std::size_t>(n)].c_str());
}

#pragma once

// A table of named text lists: a header of names (split from one delimited
// text) and, per name, a list of texts.

#include <map>
#include <string>
#include <vector>

class CFxNamedLists {
public:
    CFxNamedLists();
    ~CFxNamedLists();

    // The header: the names of the text split at the delimiter.
    void DefineHeader(const std::string& text, char delim);
    const std::vector<std::string>& GetHeader() const { return m_header; }

    // The list of a name becomes the text split at the delimiter (empty
    // pieces kept).
    void SetList(const std::string& name, const std::string& text, char delim);
    // Texts added at the end of a named list (created when new).
    void AppendToList(const std::string& name, const std::vector<std::string>& texts);

    // The largest item count among the lists.
    int GetMaxListSize() const;
    // Item n of a named list; empty for an unknown name or n out of range.
    std::string GetListItem(const std::string& name, int n) const;
    // Item n of a named list read as a decimal number; `fallback` when absent.
    int GetListInt(const std::string& name, int n, int fallback) const;

private:
    std::vector<std::string> m_header;
    std::map<std::string, std::vector<std::string>> m_lists;
};

// TextTable: rows of text cells printed in aligned columns under upper-case headings, the
// form hostprefctl lists things in. A plain value; not thread-safe.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace HostprefCtl {

class TextTable {
public:
    explicit TextTable(std::vector<std::string> headings) : headings_(std::move(headings)) {}

    // Adds a row; missing cells are blank, extra ones are dropped.
    void Add(std::vector<std::string> cells);
    bool Empty() const { return rows_.empty(); }
    // Prints the headings and the rows, columns two blanks apart, no trailing blanks.
    void Print(std::ostream& out) const;

private:
    std::vector<std::string> headings_;
    std::vector<std::vector<std::string>> rows_;
};

}  // namespace HostprefCtl

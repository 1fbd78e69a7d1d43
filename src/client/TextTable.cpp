#include "client/TextTable.hpp"

#include <algorithm>
#include <cctype>

namespace HostprefCtl {

namespace {

// Columns are measured in code points, so that UTF-8 text lines up on a terminal.
size_t DisplayWidth(const std::string& text)
{
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string Upper(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

void TextTable::Add(std::vector<std::string> cells)
{
    cells.resize(headings_.size());
    rows_.push_back(std::move(cells));
}

void TextTable::Print(std::ostream& out) const
{
    std::vector<size_t> widths;
    for (const std::string& heading : headings_) widths.push_back(DisplayWidth(heading));
    for (const auto& row : rows_) {
        for (size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], DisplayWidth(row[i]));
    }
    auto printRow = [&](const std::vector<std::string>& cells) {
        std::string line;
        for (size_t i = 0; i < cells.size(); ++i) {
            if (i > 0) line.append(2, ' ');
            line += cells[i];
            if (i + 1 < cells.size()) line.append(widths[i] - DisplayWidth(cells[i]), ' ');
        }
        line.erase(line.find_last_not_of(' ') + 1);
        out << line << '\n';
    };
    std::vector<std::string> headings;
    for (const std::string& heading : headings_) headings.push_back(Upper(heading));
    printRow(headings);
    for (const auto& row : rows_) printRow(row);
}

}  // namespace HostprefCtl

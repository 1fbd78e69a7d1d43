#include "client/OutputPrinter.hpp"

#include <algorithm>
#include <string>
#include <vector>

#include "client/TaskView.hpp"
#include "client/TextTable.hpp"
#include "client/ValueText.hpp"

namespace HostprefCtl {

namespace {

using Kind = ApiType::Kind;

bool IsTaskInfo(const ApiType& type)
{
    return type.Is(Kind::Named) && type.Name() == TaskView::kInfoType;
}

// The members that every row may show in a cell, in the order they first appear.
std::vector<std::string> PlainColumns(const std::vector<const rapidjson::Value*>& rows)
{
    std::vector<std::string> columns;
    for (const rapidjson::Value* row : rows) {
        for (const auto& member : row->GetObject()) {
            const std::string name = member.name.GetString();
            if (std::find(columns.begin(), columns.end(), name) == columns.end()) columns.push_back(name);
        }
    }
    std::erase_if(columns, [&](const std::string& name) {
        return std::any_of(rows.begin(), rows.end(), [&](const rapidjson::Value* row) {
            return row->HasMember(name.c_str()) && !ValueText::IsInline((*row)[name.c_str()]);
        });
    });
    return columns;
}

}  // namespace

void OutputPrinter::Print(const rapidjson::Value& result, const ApiType& declared)
{
    const ApiType& type = declared.Unwrapped();
    if (result.IsNull() || type.IsPrimitive("void")) return;
    if (IsTaskInfo(type)) return TaskView::PrintSummary(result, out_);
    if (type.Is(Kind::Map) && IsTaskInfo(type.Element())) return TaskView::PrintTable(result, out_);
    const bool rowsOfStructs = (type.Is(Kind::List) || type.Is(Kind::Map)) && type.Element().Is(Kind::Named) &&
                               catalog_.FindStruct(type.Element().Name()) != nullptr;
    if (rowsOfStructs && PrintTable(result, type.Is(Kind::Map))) return;
    if (result.IsArray() && ValueText::IsInline(result)) {
        // One item per line, so that a list of names pipes into other tools.
        for (const auto& item : result.GetArray()) out_ << ValueText::Inline(item) << '\n';
        return;
    }
    for (const std::string& line : ValueText::Lines(result)) out_ << line << '\n';
}

bool OutputPrinter::PrintTable(const rapidjson::Value& rows, bool keyed)
{
    std::vector<const rapidjson::Value*> items;
    std::vector<std::string> keys;
    if (keyed && rows.IsObject()) {
        for (const auto& member : rows.GetObject()) {
            keys.emplace_back(member.name.GetString());
            items.push_back(&member.value);
        }
    } else if (!keyed && rows.IsArray()) {
        for (const auto& item : rows.GetArray()) items.push_back(&item);
    }
    if (!std::all_of(items.begin(), items.end(), [](const rapidjson::Value* item) { return item->IsObject(); })) {
        return false;
    }
    const std::vector<std::string> columns = PlainColumns(items);
    if (columns.empty()) return items.empty();
    std::vector<std::string> headings = columns;
    if (keyed) headings.insert(headings.begin(), "key");
    TextTable table(headings);
    for (size_t i = 0; i < items.size(); ++i) {
        std::vector<std::string> cells;
        if (keyed) cells.push_back(keys[i]);
        for (const std::string& column : columns) {
            cells.push_back(items[i]->HasMember(column.c_str()) ? ValueText::Inline((*items[i])[column.c_str()]) : "-");
        }
        table.Add(std::move(cells));
    }
    table.Print(out_);
    return true;
}

}  // namespace HostprefCtl

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/table_text.h"

#include <algorithm>
#include <string_view>

#include "protocol/csv_field.h"
#include "protocol/terminal_text.h"
#include "report/report_json.h"

namespace {

const char* const kJsonKeys[kGridColumnCount] = {"model", "proj", "name", "ip", "port", "netmask", "mac"};

// Display width in characters, counting each UTF-8 sequence once.
std::size_t DisplayWidth(const std::string& s) {
    return static_cast<std::size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string TabSeparatedField(const std::string& s) {
    std::string text = LooksLikeFormula(s) ? "'" : "";
    // A tab or line break inside a device's text would shift every cell
    // after it when pasted; a space keeps the columns.
    for (char ch : s) text += (ch == '\t' || ch == '\n' || ch == '\r') ? ' ' : ch;
    return text.find('"') == std::string::npos ? text : CsvQuoted(text);
}

}  // namespace

std::string FormatTable(const TableRows& rows, const std::string& countLine) {
    TableRows shown;
    for (const auto& row : rows) {
        std::vector<std::string> cells;
        for (const std::string& cell : row) cells.push_back(TerminalText(cell));
        shown.push_back(std::move(cells));
    }
    std::size_t widths[kGridColumnCount];
    for (int c = 0; c < kGridColumnCount; ++c) widths[c] = DisplayWidth(kGridHeaderTexts[c]);
    for (const auto& row : shown)
        for (int c = 0; c < kGridColumnCount && c < static_cast<int>(row.size()); ++c)
            widths[c] = std::max(widths[c], DisplayWidth(row[static_cast<std::size_t>(c)]));
    auto line = [&](auto cell) {
        std::string out;
        for (int c = 0; c < kGridColumnCount; ++c) {
            const std::string text = cell(c);
            out += text;
            if (c + 1 < kGridColumnCount) out.append(widths[c] - DisplayWidth(text) + 2, ' ');
        }
        while (!out.empty() && out.back() == ' ') out.pop_back();
        return out + "\n";
    };
    std::string out = line([](int c) { return std::string(kGridHeaderTexts[c]); });
    for (const auto& row : shown)
        out += line([&row](int c) {
            return c < static_cast<int>(row.size()) ? row[static_cast<std::size_t>(c)] : std::string();
        });
    return out + countLine + "\n";
}

std::string FormatCsv(const TableRows& rows) {
    std::string out = "Model,Proj,Name,IP,Port,Netmask,Mac\n";
    for (const auto& row : rows) {
        for (int c = 0; c < kGridColumnCount; ++c) {
            if (c > 0) out += ',';
            if (c < static_cast<int>(row.size())) out += CsvField(row[static_cast<std::size_t>(c)]);
        }
        out += '\n';
    }
    return out;
}

std::string FormatJson(const TableRows& rows) {
    std::string out = "[";
    for (std::size_t r = 0; r < rows.size(); ++r) {
        out += r == 0 ? "\n  {" : ",\n  {";
        for (int c = 0; c < kGridColumnCount; ++c) {
            if (c > 0) out += ", ";
            out += JsonString(kJsonKeys[c], StrayByte::Latin1);
            out += ": ";
            out += JsonString(c < static_cast<int>(rows[r].size()) ? rows[r][static_cast<std::size_t>(c)] : "",
                              StrayByte::Latin1);
        }
        out += '}';
    }
    out += rows.empty() ? "]\n" : "\n]\n";
    return out;
}

std::string FormatTabSeparated(const TableRows& rows) {
    auto line = [](auto cell) {
        std::string out;
        for (int c = 0; c < kGridColumnCount; ++c) {
            if (c > 0) out += '\t';
            out += TabSeparatedField(cell(c));
        }
        return out + "\n";
    };
    std::string out = line([](int c) { return std::string(kGridHeaderTexts[c]); });
    for (const auto& row : rows)
        out += line([&row](int c) {
            return c < static_cast<int>(row.size()) ? row[static_cast<std::size_t>(c)] : std::string();
        });
    return out;
}

TableRows GridRows(WindowOps& form, const std::vector<int>& rows) {
    TableRows out;
    for (int r : rows) {
        if (r < 1 || r >= form.RowCount()) continue;
        std::vector<std::string> cells;
        for (int c = 0; c < kGridColumnCount; ++c) cells.push_back(form.Cell(c, r));
        out.push_back(std::move(cells));
    }
    return out;
}

TableRows GridDataRows(WindowOps& form) {
    std::vector<int> rows;
    for (int r = 1; r < form.RowCount(); ++r) rows.push_back(r);
    TableRows out = GridRows(form, rows);
    std::erase_if(out, [](const std::vector<std::string>& cells) {
        return std::all_of(cells.begin(), cells.end(), [](const std::string& cell) { return cell.empty(); });
    });
    return out;
}

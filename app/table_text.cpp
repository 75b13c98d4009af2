#include "app/table_text.h"

#include <algorithm>
#include <cstdio>

namespace {

const char* const kJsonKeys[kGridColumnCount] = {"model", "proj", "name", "ip", "port", "netmask", "mac"};

// Display width in characters, counting each UTF-8 sequence once.
std::size_t DisplayWidth(const std::string& s) {
    return static_cast<std::size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string CsvField(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string out = "\"";
    for (char c : s) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

// Length of the valid UTF-8 sequence starting at s[i], or 0.
std::size_t Utf8SequenceLength(const std::string& s, std::size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t n = 0;
    unsigned min = 0;
    if (b >= 0xC2 && b <= 0xDF) {
        n = 2;
        min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3;
        min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    unsigned cp = b & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
        const auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

// Device texts are bytes; JSON must stay valid whatever they hold, so a byte
// that is not part of valid UTF-8 is written as the character of that value.
std::string JsonString(const std::string& s) {
    std::string out = "\"";
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
            ++i;
        } else if (c < 0x20 || c == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
            ++i;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
        } else if (const std::size_t n = Utf8SequenceLength(s, i); n > 0) {
            out.append(s, i, n);
            i += n;
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
            ++i;
        }
    }
    return out + "\"";
}

}  // namespace

std::string FormatTable(const TableRows& rows, const std::string& countLine) {
    std::size_t widths[kGridColumnCount];
    for (int c = 0; c < kGridColumnCount; ++c) widths[c] = DisplayWidth(kGridHeaderTexts[c]);
    for (const auto& row : rows)
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
    for (const auto& row : rows)
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
            out += JsonString(kJsonKeys[c]);
            out += ": ";
            out += JsonString(c < static_cast<int>(rows[r].size()) ? rows[r][static_cast<std::size_t>(c)] : "");
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
            // A tab or line break inside a device's text would shift every
            // cell after it when pasted; a space keeps the columns.
            for (char ch : cell(c)) out += (ch == '\t' || ch == '\n' || ch == '\r') ? ' ' : ch;
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

// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/html_table_parser.h"

#include <algorithm>
#include <array>
#include <functional>

#include "protocol/device_index.h"

// Both walks below edit a line only at its first tag or first cell. A line is
// therefore held as `kept` (the part before the edits, finished) followed by
// the unread rest of the original, so that an edit never moves the rest of a
// long line: a relay page of one huge line is walked in linear time.

namespace {

constexpr std::array<std::string_view, 5> kStrippedTags{"BODY", "HTML", "TABLE", "TITLE", "TR"};
constexpr std::string_view kCellOpen = "<td>";
constexpr std::string_view kCellClose = "</td>";
constexpr std::string_view kNoItems = "No available items";
// Cells 0..6 fill model, proj, name, ip, trigger_port, netmask and mac;
// later cells are read and dropped.
constexpr int kCellFieldCount = 7;
constexpr std::array<int, kCellFieldCount> kCellField{0, 1, 2, 3, 4, 5, 8};

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Whether the upper-case form of src[from, to) contains `name` (upper case).
bool UpperContains(const std::string& src, std::size_t from, std::size_t to, std::string_view name) {
    const auto begin = src.begin() + static_cast<std::ptrdiff_t>(from);
    const auto end = src.begin() + static_cast<std::ptrdiff_t>(to);
    return std::search(begin, end, name.begin(), name.end(), [](char a, char b) { return AsciiUpper(a) == b; }) != end;
}

std::string CleanLine(const std::string& src) {
    std::string kept;  // never holds '<' or '>': it is text that stood before a stripped first tag
    std::size_t off = 0;
    std::size_t lt = src.find('<');
    std::size_t gt = src.find('>');
    const auto length = [&] { return kept.size() + (src.size() - off); };
    const auto charAt = [&](std::size_t i) { return i < kept.size() ? kept[i] : src[off + (i - kept.size())]; };

    for (std::size_t i = 0; i < length(); ++i) {
        if (charAt(i) != '>') continue;
        bool stripped = false;
        for (std::string_view name : kStrippedTags) {
            if (lt == std::string::npos || gt == std::string::npos || lt > gt) break;
            if (!UpperContains(src, lt, gt + 1, name)) continue;
            kept.append(src, off, lt - off);
            off = gt + 1;
            lt = src.find('<', off);
            gt = src.find('>', off);
            stripped = true;
        }
        // The first tag is what it was, so every later '>' would test it again
        // with the same outcome.
        if (!stripped) break;
    }
    kept.append(src, off, std::string::npos);
    return kept;
}

// A line from which cells are taken: `kept` + src[off..]. The first cell
// marker found is never wholly inside `kept`, though it may straddle into the
// rest (deleting a cell can join "<t" and "d>").
class CellLine {
public:
    explicit CellLine(const std::string& src) : src_(src) {}

    std::size_t Length() const { return kept_.size() + (src_.size() - off_); }

    // Index of the first occurrence of the marker in the line, or npos.
    std::size_t Find(std::string_view marker) const {
        const std::size_t k = kept_.size();
        const std::size_t m = marker.size();
        for (std::size_t p = k >= m ? k - m + 1 : 0; p < k; ++p)
            if (Matches(p, marker)) return p;
        const std::size_t at = src_.find(marker, off_);
        return at == std::string::npos ? std::string::npos : k + (at - off_);
    }

    // Up to `count` characters from index `from`.
    std::string Text(std::size_t from, std::size_t count) const {
        std::string out;
        for (std::size_t i = from; i < Length() && out.size() < count; ++i) out += At(i);
        return out;
    }

    // Deletes [from, to); `to` lies beyond `kept`.
    void Erase(std::size_t from, std::size_t to) {
        const std::size_t k = kept_.size();
        const std::size_t newOff = off_ + (to - k);
        if (from >= k)
            kept_.append(src_, off_, from - k);
        else
            kept_.resize(from);
        off_ = newOff;
    }

    std::string Rest() && {
        kept_.append(src_, off_, std::string::npos);
        return std::move(kept_);
    }

private:
    char At(std::size_t i) const { return i < kept_.size() ? kept_[i] : src_[off_ + (i - kept_.size())]; }
    bool Matches(std::size_t p, std::string_view marker) const {
        if (p + marker.size() > Length()) return false;
        for (std::size_t q = 0; q < marker.size(); ++q)
            if (At(p + q) != marker[q]) return false;
        return true;
    }

    const std::string& src_;
    std::string kept_;
    std::size_t off_ = 0;
};

// Takes the cells of one line in the walk's order; onCell(c, text) gets cells
// 0..6 with at most `maxText` characters of their text. Returns what is left
// of the line.
std::string TakeCells(const std::string& src, std::size_t maxText,
                      const std::function<void(int, const std::string&)>& onCell) {
    CellLine line(src);
    int c = 0;
    for (std::size_t j = 0; j < line.Length(); ++j) {
        const std::size_t open = line.Find(kCellOpen);
        if (open == std::string::npos) break;  // nothing will change on later steps
        const std::size_t close = line.Find(kCellClose);
        if (close == std::string::npos) break;
        if (close < open) {
            // An empty cell on this and every remaining step; the line stays.
            for (std::size_t left = line.Length() - j; left > 0 && c < kCellFieldCount; --left) onCell(c++, {});
            break;
        }
        const std::size_t textStart = open + kCellOpen.size();
        if (c < kCellFieldCount) onCell(c, line.Text(textStart, std::min(maxText, close - textStart)));
        ++c;
        line.Erase(open, close + kCellClose.size());
    }
    return std::move(line).Rest();
}

}  // namespace

std::vector<std::string> SplitPageLines(std::string_view body) {
    body = body.substr(0, std::min(body.size(), kHtmlAnswerLimit));
    body = body.substr(0, std::min(body.size(), body.find('\0')));
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < body.size()) {
        const std::size_t end = body.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(body.substr(start));
            break;
        }
        lines.emplace_back(body.substr(start, end - start));
        start = end + 1;
        if (body[end] == '\r' && start < body.size() && body[start] == '\n') ++start;
    }
    return lines;
}

void ApplyNoItemsRule(std::vector<std::string>& lines) {
    if (lines.size() > 4) return;
    for (const auto& line : lines) {
        if (line.find(kNoItems) != std::string::npos) {
            lines.clear();
            return;
        }
    }
}

void CleanHtml(std::vector<std::string>& lines) {
    std::size_t kept = 0;
    for (auto& line : lines) {
        std::string cleaned = CleanLine(line);
        if (!cleaned.empty()) lines[kept++] = std::move(cleaned);
    }
    lines.resize(kept);
}

int PhaseItem(WindowOps& form, TComUnitList& list, std::vector<std::string>& lines) {
    std::size_t kept = 0;
    int row = 0;
    int notListed = 0;
    for (auto& line : lines) {
        tComUnitInfo record{};
        const bool heading = row == 0;
        std::string rest = TakeCells(line, 64, [&](int c, const std::string& text) {
            if (heading) return;
            const int field = kCellField[static_cast<std::size_t>(c)];
            SetComUnitField(ComUnitField(record, field), ComUnitFieldWidth(field), text);
        });
        if (!heading && list.size() >= kMaxListedDevices) {
            ++notListed;
        } else if (!heading) {
            form.SetRowCount(row + 1);
            WriteRecordRow(form, row, record);
            list.push_back(record);
        }
        // A line made of cells only still had its own row: the next line
        // goes on with the next one.
        ++row;
        if (!rest.empty()) lines[kept++] = std::move(rest);
    }
    lines.resize(kept);
    return notListed;
}

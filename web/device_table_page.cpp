// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/device_table_page.h"

#include <array>
#include <string_view>

#include "protocol/reply_parser.h"

namespace {

// The fields the page's seven cells show, in the table's column order.
constexpr std::array<int, 7> kCellFields{0, 1, 2, 3, 4, 5, 8};

bool FitsACell(std::string_view text) { return text.find_first_of("<>\r\n") == std::string_view::npos; }

}  // namespace

DeviceTablePage MakeDeviceTablePage(const TComUnitList& devices, const std::string& filter) {
    DeviceTablePage page;
    std::string rows;
    for (const tComUnitInfo& device : devices) {
        if (!PassesProjFilter(filter, device.proj)) continue;
        std::string row = "<tr>";
        bool fits = true;
        for (int field : kCellFields) {
            const std::string text = ComUnitFieldText(ComUnitField(device, field), ComUnitFieldWidth(field));
            fits = fits && FitsACell(text);
            row += "<td>" + text + "</td>";
        }
        if (!fits) {
            ++page.leftOut;
            continue;
        }
        rows += row + "</tr>\n";
        ++page.rows;
    }
    // The reader strips the structural tags at the start of each line: the
    // first line left is the heading, every later one a device.
    if (page.rows == 0)
        page.html = "<html><body><table>\n<tr><td>No available items</td></tr>\n</table></body></html>\n";
    else
        page.html =
            "<html>\n<body>\n<table>\n"
            "<tr><th>Model</th><th>Proj</th><th>Name</th><th>IP</th><th>Port</th><th>Netmask</th>"
            "<th>Mac</th></tr>\n" +
            rows + "</table>\n</body>\n</html>\n";
    return page;
}

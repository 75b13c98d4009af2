// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The result table as the logic sees it: grid row 0 is the horizontal header,
// grid row r > 0 is table row r - 1. Cells keep the exact bytes they were
// given, so a device's IP and MAC read back equal to its record even when they
// are not valid UTF-8; only the shown text is decoded.

#include <string>

#include <QTableWidget>

class StringGridWidget : public QTableWidget {
public:
    StringGridWidget(int columnCount, QWidget* parent);

    std::string Cell(int col, int row) const;
    void SetCell(int col, int row, const std::string& text);
    int GridRowCount() const { return rowCount() + 1; }
    void SetGridRowCount(int rows);
    // A coloured cell with a warning icon and a tool tip; empty text unmarks.
    void SetCellMark(int col, int row, const std::string& toolTip);
    bool CellMarked(int col, int row) const;
    // The width a cell needs to show `text` whole in this table's font and
    // style, with the mark's icon when `marked`.
    int CellWidthFor(const QString& text, bool marked) const;
    // A tool tip for every cell of a data row, shown beside a cell's own
    // (a mark's reason comes first); empty text takes it away.
    void SetRowToolTip(int row, const std::string& toolTip);

    // Grid coordinates of the cell under a viewport position; false when no
    // data cell is there.
    bool CellAt(const QPoint& viewportPos, int* col, int* row) const;

    // The tool tip of the cell under a viewport position: a marked cell's
    // reason, else the whole text of a cell too narrow for it and the row's
    // tool tip, else empty.
    QString ToolTipAt(const QPoint& viewportPos) const;

protected:
    bool viewportEvent(QEvent* event) override;
};

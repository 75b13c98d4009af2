// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/string_grid_widget.h"

#include <algorithm>

#include <QApplication>
#include <QBrush>
#include <QColor>
#include <QHelpEvent>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QToolTip>

#include "web/plain_tool_tip.h"

namespace {

constexpr int kBytesRole = Qt::UserRole;
// How the row's device was found; shown with any cell's own tool tip.
constexpr int kRowTipRole = Qt::UserRole + 1;

QTableWidgetItem* MakeItem(const std::string& text) {
    auto* item = new QTableWidgetItem(QString::fromStdString(text));
    item->setData(kBytesRole, QByteArray::fromStdString(text));
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

std::string ItemBytes(const QTableWidgetItem* item) {
    if (item == nullptr) return {};
    return item->data(kBytesRole).toByteArray().toStdString();
}

}  // namespace

StringGridWidget::StringGridWidget(int columnCount, QWidget* parent) : QTableWidget(0, columnCount, parent) {
    for (int col = 0; col < columnCount; ++col) setHorizontalHeaderItem(col, MakeItem(std::string()));
}

std::string StringGridWidget::Cell(int col, int row) const {
    if (col < 0 || col >= columnCount() || row < 0 || row > rowCount()) return {};
    return ItemBytes(row == 0 ? horizontalHeaderItem(col) : item(row - 1, col));
}

void StringGridWidget::SetCell(int col, int row, const std::string& text) {
    // Writes outside the grid are dropped rather than growing it: the row
    // count is the logic's to set.
    if (col < 0 || col >= columnCount() || row < 0 || row > rowCount()) return;
    QTableWidgetItem* existing = row == 0 ? horizontalHeaderItem(col) : item(row - 1, col);
    if (existing != nullptr) {
        existing->setText(QString::fromStdString(text));
        existing->setData(kBytesRole, QByteArray::fromStdString(text));
        return;
    }
    setItem(row - 1, col, MakeItem(text));
}

void StringGridWidget::SetGridRowCount(int rows) { setRowCount(std::max(rows - 1, 0)); }

void StringGridWidget::SetCellMark(int col, int row, const std::string& toolTip) {
    if (col < 0 || col >= columnCount() || row < 1 || row > rowCount()) return;
    QTableWidgetItem* cell = item(row - 1, col);
    if (cell == nullptr) {
        if (toolTip.empty()) return;
        setItem(row - 1, col, MakeItem(std::string()));
        cell = item(row - 1, col);
    }
    if (toolTip.empty()) {
        cell->setData(Qt::BackgroundRole, QVariant());
        cell->setData(Qt::DecorationRole, QVariant());
        cell->setData(Qt::ToolTipRole, QVariant());
        return;
    }
    cell->setBackground(QBrush(QColor(255, 224, 178)));
    cell->setIcon(style()->standardIcon(QStyle::SP_MessageBoxWarning));
    cell->setToolTip(PlainToolTip(QString::fromStdString(toolTip)));
}

bool StringGridWidget::CellMarked(int col, int row) const {
    const QTableWidgetItem* cell = row >= 1 ? item(row - 1, col) : nullptr;
    return cell != nullptr && !cell->toolTip().isEmpty();
}

int StringGridWidget::CellWidthFor(const QString& text, bool marked) const {
    // As the item delegate sizes an item, so the answer follows the font
    // and style in use.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.features |= QStyleOptionViewItem::HasDisplay;
    option.text = text;
    if (marked) {
        option.features |= QStyleOptionViewItem::HasDecoration;
        option.icon = style()->standardIcon(QStyle::SP_MessageBoxWarning);
        option.decorationSize = option.icon.actualSize(option.decorationSize);
    }
    const int gridLine = showGrid() ? 1 : 0;
    return style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).width() + gridLine;
}

void StringGridWidget::SetRowToolTip(int row, const std::string& toolTip) {
    if (row < 1 || row > rowCount()) return;
    for (int col = 0; col < columnCount(); ++col) {
        QTableWidgetItem* cell = item(row - 1, col);
        if (cell == nullptr) {
            if (toolTip.empty()) continue;
            setItem(row - 1, col, MakeItem(std::string()));
            cell = item(row - 1, col);
        }
        cell->setData(kRowTipRole, toolTip.empty() ? QVariant() : QVariant(QString::fromStdString(toolTip)));
    }
}

bool StringGridWidget::CellAt(const QPoint& viewportPos, int* col, int* row) const {
    const QModelIndex index = indexAt(viewportPos);
    if (!index.isValid()) return false;
    *col = index.column();
    *row = index.row() + 1;
    return true;
}

QString StringGridWidget::ToolTipAt(const QPoint& viewportPos) const {
    const QModelIndex index = indexAt(viewportPos);
    if (!index.isValid()) return {};
    // A marked cell says why it is marked.
    if (QString why = index.data(Qt::ToolTipRole).toString(); !why.isEmpty()) return why;
    QString tip;
    const QString text = index.data().toString();
    // Room for the item's margins on both sides.
    constexpr int kTextMargins = 8;
    if (viewport()->fontMetrics().horizontalAdvance(text) + kTextMargins > visualRect(index).width()) tip = text;
    if (const QString row = index.data(kRowTipRole).toString(); !row.isEmpty())
        tip += (tip.isEmpty() ? QString() : QStringLiteral("\n\n")) + row;
    return PlainToolTip(tip);
}

bool StringGridWidget::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QTableWidget::viewportEvent(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    if (const QString tip = ToolTipAt(help->pos()); !tip.isEmpty())
        QToolTip::showText(help->globalPos(), tip, viewport(), visualRect(indexAt(help->pos())));
    else
        QToolTip::hideText();
    return true;
}

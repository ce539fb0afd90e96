#include "decode/parameter_list.h"

#include <QHeaderView>
#include <QMouseEvent>

#include "decode/parameter_table.h"
#include "ui/report_list.h"

namespace tresvik {

ParameterList::ParameterList(QWidget* parent)
    : QTableWidget(kParameterListItems, kParameterListColumns, parent) {
    setUpReportList(*this);
    setShowGrid(true);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    for (int column = 0; column < kParameterListColumns; ++column) {
        const bool value = column % 2 == 1;
        setHorizontalHeaderItem(column, new QTableWidgetItem(value ? QStringLiteral("Value")
                                                                   : QStringLiteral("Parameter")));
        setColumnWidth(column, value ? kValueWidth : kLabelWidth);
        for (int item = 0; item < kParameterListItems; ++item) {
            auto* cell = new QTableWidgetItem;
            cell->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
            setItem(item, column, cell);
        }
    }
    for (int row = 0; row < kParameterCount; ++row) {
        const ListPosition at = listPosition(row);
        const std::u16string_view label = parameterRow(row).label;
        setCellText(at.item, at.labelColumn,
                    QString::fromUtf16(label.data(), static_cast<qsizetype>(label.size())));
    }
}

void ParameterList::setCellText(int item, int column, const QString& text) {
    if (QTableWidgetItem* cell = this->item(item, column)) {
        cell->setText(text);
    }
}

QString ParameterList::cellText(int item, int column) const {
    const QTableWidgetItem* cell = this->item(item, column);
    return cell != nullptr ? cell->text() : QString();
}

void ParameterList::showValue(int row, const QString& text) {
    const ListPosition at = listPosition(row);
    setCellText(at.item, at.valueColumn, text);
}

void ParameterList::clearValues() {
    for (int row = 0; row < kParameterCount; ++row) {
        const ListPosition at = listPosition(row);
        setCellText(at.item, at.valueColumn, QString());
    }
}

void ParameterList::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint position = event->position().toPoint();
    const QModelIndex index = indexAt(position);
    const int item = index.isValid() ? index.row() : -1;
    const int column = index.isValid() ? index.column() : columnAt(position.x());
    QTableWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) {
        emit leftDoubleClicked(item, column);
    } else if (event->button() == Qt::RightButton) {
        emit rightDoubleClicked(item, column);
    }
}

}  // namespace tresvik

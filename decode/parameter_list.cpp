#include "decode/parameter_list.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QToolTip>

#include <utility>

#include "decode/parameter_table.h"
#include "ui/qt_text.h"
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
        setCellText(at.item, at.labelColumn, toQString(parameterRow(row).label));
    }
    m_menuTimer.setSingleShot(true);
    connect(&m_menuTimer, &QTimer::timeout, this,
            [this] { emit menuRequested(m_menuItem, m_menuColumn, m_menuPos); });
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

void ParameterList::setValueStale(int row, bool stale) {
    const ListPosition at = listPosition(row);
    if (QTableWidgetItem* cell = item(at.item, at.valueColumn)) {
        cell->setForeground(stale ? palette().brush(QPalette::Disabled, QPalette::Text) : QBrush());
    }
}

bool ParameterList::valueStale(int row) const {
    const ListPosition at = listPosition(row);
    const QTableWidgetItem* cell = item(at.item, at.valueColumn);
    return cell != nullptr && cell->foreground().style() != Qt::NoBrush;
}

void ParameterList::setValueToolTip(std::function<QString(int row)> source) {
    m_valueToolTip = std::move(source);
}

bool ParameterList::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip && m_valueToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = indexAt(help->pos());
        const int row = index.isValid() ? tresvik::rowAt(index.row(), index.column()) : -1;
        const QString text = row >= 0 && listPosition(row).valueColumn == index.column()
                                 ? m_valueToolTip(row)
                                 : QString();
        if (text.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), text, viewport(), visualRect(index));
        }
        return true;
    }
    return QTableWidget::viewportEvent(event);
}

void ParameterList::clearValues() {
    for (int row = 0; row < kParameterCount; ++row) {
        const ListPosition at = listPosition(row);
        setCellText(at.item, at.valueColumn, QString());
    }
}

void ParameterList::mouseReleaseEvent(QMouseEvent* event) {
    QTableWidget::mouseReleaseEvent(event);
    if (std::exchange(m_endingDoubleClick, false) || event->button() != Qt::RightButton) {
        return;
    }
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid()) {
        return;
    }
    m_menuItem = index.row();
    m_menuColumn = index.column();
    m_menuPos = event->globalPosition().toPoint();
    m_menuTimer.start(QApplication::doubleClickInterval());
}

void ParameterList::contextMenuEvent(QContextMenuEvent* event) {
    // The mouse's menu comes from the release of a lone right click.
    event->accept();
    if (event->reason() != QContextMenuEvent::Keyboard || !currentIndex().isValid()) {
        return;
    }
    const QRect cell = visualRect(currentIndex());
    emit menuRequested(currentIndex().row(), currentIndex().column(),
                       viewport()->mapToGlobal(cell.center()));
}

void ParameterList::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint position = event->position().toPoint();
    const QModelIndex index = indexAt(position);
    const int item = index.isValid() ? index.row() : -1;
    const int column = index.isValid() ? index.column() : columnAt(position.x());
    if (event->button() == Qt::RightButton) {
        m_menuTimer.stop();
    }
    m_endingDoubleClick = true;
    QTableWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) {
        emit leftDoubleClicked(item, column);
    } else if (event->button() == Qt::RightButton) {
        emit rightDoubleClicked(item, column);
    }
}

}  // namespace tresvik

#include "commands/tx_dlg.h"

#include <QHeaderView>
#include <QKeyEvent>

#include "commands/command_encoder.h"
#include "commands/command_table.h"
#include "commands/editable_list_ctrl.h"
#include "ui/dialog_units.h"
#include "ui/qt_text.h"

namespace tresvik {

namespace {

constexpr int kCmdWidth = 150;
constexpr int kValueWidth = 50;

}  // namespace

CTxDlg::CTxDlg(FrameWriter& writer)
    : ChildWindow(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                  Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_writer(writer),
      m_list(new CEditableListCtrl(kCommandCount, this)) {
    setWindowTitle(QStringLiteral("Tx"));
    setFont(templateFont());
    setFixedSize(dluX(180), dluY(200));

    m_list->setObjectName(QStringLiteral("txList"));
    m_list->setGeometry(dluRect(7, 7, 170, 186));
    m_list->setHorizontalHeaderItem(0, new QTableWidgetItem(QStringLiteral("CMD")));
    auto* value = new QTableWidgetItem(QStringLiteral("Value"));
    value->setTextAlignment(Qt::AlignCenter);
    m_list->setHorizontalHeaderItem(1, value);
    m_list->horizontalHeaderItem(0)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_list->setColumnWidth(0, kCmdWidth);
    m_list->setColumnWidth(1, kValueWidth);
    // Filled once, in table order: item i is command row i. The list is whole from the start,
    // so that a read-back can never find it empty.
    for (int row = 0; row < kCommandCount; ++row) {
        const CommandRow& command = commandRow(row);
        m_list->setCellText(row, 0, toQString(command.name));
        m_list->setCellText(row, 1, toQString(command.defaultValue));
        m_list->item(row, 1)->setTextAlignment(Qt::AlignCenter);
    }

    connect(m_list, &CEditableListCtrl::clickedAt, m_list, &CEditableListCtrl::click);
    connect(m_list, &CEditableListCtrl::doubleClickedAt, this, &CTxDlg::onListDoubleClicked);
    connect(m_list, &CEditableListCtrl::cellEdited, this, &CTxDlg::onCellEdited);
}

CTxDlg::~CTxDlg() = default;

void CTxDlg::initialise(const OwnerFrame& owner) {
    m_initialised = true;
    const int frameHeight = height() + owner.decoration.top() + owner.decoration.bottom();
    move(owner.frame.x() + owner.frame.width(),
         owner.frame.y() + owner.frame.height() - frameHeight);
}

void CTxDlg::finish() {
    hide();
}

void CTxDlg::applyCellUpdate(int row, int column, const QString& text) {
    m_list->setCellText(row, column, text);
}

void CTxDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // Enter sends the first selected row when the list has the focus; the open editor
            // takes Enter for itself before it gets here.
            if (focusWidget() == m_list) {
                sendCommand(m_list->firstSelectedRow());
            }
            event->accept();
            return;
        case Qt::Key_Escape:
            // Never closes the window.
            event->accept();
            return;
        default:
            ChildWindow::keyPressEvent(event);
    }
}

void CTxDlg::onListDoubleClicked(const QPoint& point) {
    int column = 0;
    const int row = m_list->hitTestCell(point, column);
    if (row >= 0 && column == 0) {
        sendCommand(row);
    }
}

void CTxDlg::onCellEdited(int row, int column, const std::optional<QString>& text) {
    if (!text) {
        return;
    }
    m_list->setCellText(row, column, toQString(canonicalValueText(text->toStdU16String())));
}

void CTxDlg::sendCommand(int row) {
    if (row < 0 || row >= kCommandCount) {
        return;
    }
    sendRow(m_writer, row, m_list->cellText(row, 1).toStdU16String());
}

}  // namespace tresvik

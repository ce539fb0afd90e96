#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <memory>

#include "commands/editable_list_ctrl.h"
#include "commands/in_place_edit.h"
#include "commands/tx_dlg.h"
#include "link/frame_writer.h"
#include "link/transmit_queue.h"
#include "tests/commands/sent_bytes.h"

using namespace tresvik;

namespace {

QString hex(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()))
        .toHex(' ')
        .toUpper();
}

}  // namespace

// The Tx window on its own, sending into a transmit queue of the test's.
class TxWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_queue.clear();
        m_writer = std::make_unique<FrameWriter>(m_queue, nullptr, m_portOpen, m_closing);
        m_dlg = std::make_unique<CTxDlg>(*m_writer);
        m_dlg->show();
        m_dlg->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_dlg.get()));
        m_list = m_dlg->list();
        m_list->setFocus();
    }
    void cleanup() {
        m_dlg.reset();
        m_writer.reset();
    }

    void windowHasTheTemplatesCaptionSizeAndList() {
        QCOMPARE(m_dlg->windowTitle(), QStringLiteral("Tx"));
        QCOMPARE(m_dlg->size(), QSize(270, 325));
        QCOMPARE(m_list->geometry(), QRect(10, 11, 255, 302));
        QCOMPARE(m_list->horizontalHeaderItem(0)->text(), QStringLiteral("CMD"));
        QCOMPARE(m_list->horizontalHeaderItem(1)->text(), QStringLiteral("Value"));
        QCOMPARE(m_list->columnWidth(0), 150);
        QCOMPARE(m_list->columnWidth(1), 50);
        QCOMPARE(m_list->item(25, 1)->textAlignment() & Qt::AlignHorizontal_Mask,
                 int(Qt::AlignHCenter));
        QCOMPARE(m_list->rowCount(), 45);
        QCOMPARE(m_list->cellText(1, 0), QStringLiteral("Set New Program "));
        QCOMPARE(m_list->cellText(1, 1), QStringLiteral("11120"));
        QCOMPARE(m_list->cellText(44, 0), QStringLiteral("STOP Simple Tacho"));
        QCOMPARE(m_list->selectionBehavior(), QAbstractItemView::SelectRows);
        QVERIFY(m_list->selectionModel()->selectedRows().isEmpty());
    }

    void editingAValueRewritesTheCellOnEveryCharacterAndEnterSendsItAfterwards() {
        clickCell(25, 1);
        CInPlaceEdit* edit = m_list->editor();
        QVERIFY(edit != nullptr);
        QCOMPARE(edit->text(), QStringLiteral("120"));
        QCOMPARE(edit->selectedText(), QStringLiteral("120"));
        QCOMPARE(edit->width(), 47);
        QCOMPARE(edit->x(), m_list->visualRect(m_list->model()->index(25, 1)).left() + 4);
        QCOMPARE(edit->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);

        QTest::keyClick(edit, Qt::Key_9);
        QCOMPARE(m_list->cellText(25, 1), QStringLiteral("9"));
        QTest::keyClick(edit, Qt::Key_0);
        QCOMPARE(m_list->cellText(25, 1), QStringLiteral("90"));
        // Enter only ends the edit.
        QTest::keyClick(edit, Qt::Key_Return);
        QTRY_VERIFY(m_list->editor() == nullptr);
        QCOMPARE(m_list->cellText(25, 1), QStringLiteral("90"));
        QVERIFY(m_queue.empty());
        // The second Enter sends the row with its new value.
        QTest::keyClick(m_list, Qt::Key_Return);
        QCOMPARE(hex(m_queue.takeAll()),
                 hex(test::withCrc({0xC7, 0x01, 0x48, 0x06, 0x01, 0x00, 0x5A, 0, 0, 0})));
    }

    void whatIsTypedIsReadAsADecimalNumber() {
        // Letters give 0, digits stop at the first letter, and Escape keeps what was typed.
        clickCell(2, 1);
        QTest::keyClicks(m_list->editor(), QStringLiteral("ab"));
        QCOMPARE(m_list->cellText(2, 1), QStringLiteral("0"));
        QTest::keyClicks(m_list->editor(), QStringLiteral("12a"));
        QCOMPARE(m_list->editor()->text(), QStringLiteral("ab12a"));
        QCOMPARE(m_list->cellText(2, 1), QStringLiteral("0"));
        m_list->editor()->clear();
        QTest::keyClicks(m_list->editor(), QStringLiteral("12a"));
        QCOMPARE(m_list->cellText(2, 1), QStringLiteral("12"));
        // Delete changes the editor alone; the cell follows with the next character.
        m_list->editor()->home(false);
        QTest::keyClick(m_list->editor(), Qt::Key_Delete);
        QCOMPARE(m_list->editor()->text(), QStringLiteral("2a"));
        QCOMPARE(m_list->cellText(2, 1), QStringLiteral("12"));
        QTest::keyClick(m_list->editor(), Qt::Key_End);
        QCOMPARE(m_list->cellText(2, 1), QStringLiteral("12"));
        QTest::keyClick(m_list->editor(), Qt::Key_Backspace);
        QCOMPARE(m_list->cellText(2, 1), QStringLiteral("2"));
        QTest::keyClick(m_list->editor(), Qt::Key_Escape);
        QTRY_VERIFY(m_list->editor() == nullptr);
        QCOMPARE(m_list->cellText(2, 1), QStringLiteral("2"));
        QVERIFY(m_dlg->isVisible());
    }

    void aMinusTurnsAValueRowIntoARequestRowWhoseValueCannotBeEdited() {
        clickCell(0, 1);
        QVERIFY(m_list->editor() == nullptr);
        QCOMPARE(m_list->firstSelectedRow(), 0);

        clickCell(3, 1);
        QTest::keyClicks(m_list->editor(), QStringLiteral("-7"));
        QCOMPARE(m_list->cellText(3, 1), QStringLiteral("-7"));
        QTest::keyClick(m_list->editor(), Qt::Key_Return);
        QTRY_VERIFY(m_list->editor() == nullptr);
        clickCell(3, 1);
        QVERIFY(m_list->editor() == nullptr);
        m_list->clearSelection();
        clickCell(3, 0);
        QTest::keyClick(m_list, Qt::Key_Enter);
        QCOMPARE(hex(m_queue.takeAll()), hex(test::withCrc({0xC7, 0x34, 0x04, 0x02, 0x01, 0x00})));
    }

    void aLongValueWidensTheEditorUpToTheListsEdge() {
        clickCell(4, 1);
        CInPlaceEdit* edit = m_list->editor();
        QTest::keyClicks(edit, QStringLiteral("1234567"));
        QVERIFY2(edit->width() > 47, qPrintable(QString::number(edit->width())));
        QTest::keyClicks(edit, QStringLiteral("8901234567890123456789"));
        QCOMPARE(edit->geometry().right(), m_list->viewport()->rect().right());
    }

    void doubleClickSendsTheRowOfANameAndNothingForAValue() {
        doubleClickCell(41, 0);
        QCOMPARE(hex(m_queue.takeAll()),
                 hex(test::withCrc({0xC7, 0x05, 0x24, 0x06, 0x01, 0x00, 0, 0, 0, 0})));
        doubleClickCell(42, 1);
        QVERIFY(m_queue.empty());
    }

    void aClickOnTheBorderBetweenTheColumnsBelongsToCmd() {
        const QRect row = m_list->visualRect(m_list->model()->index(5, 0));
        int column = -1;
        QCOMPARE(m_list->hitTestCell(QPoint(150, row.center().y()), column), 5);
        QCOMPARE(column, 0);
        QCOMPARE(m_list->hitTestCell(QPoint(151, row.center().y()), column), 5);
        QCOMPARE(column, 1);
        QCOMPARE(m_list->hitTestCell(QPoint(230, row.center().y()), column), -1);
        // On the border the focused row is only selected; a pixel to the right it is edited.
        QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, QPoint(150, row.center().y()));
        QVERIFY(m_list->editor() == nullptr);
        QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, QPoint(151, row.center().y()));
        QVERIFY(m_list->editor() != nullptr);
    }

    // The list takes the focus with its first row current but not selected; the first key that
    // moves through it must select the row it lands on, or a keyboard user could never send
    // "Debug Info" without first going down and back up.
    void theFirstNavigationKeySelectsTheFirstRowAndEnterSendsIt_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Home") << int(Qt::Key_Home);
        QTest::newRow("Down") << int(Qt::Key_Down);
        QTest::newRow("Up") << int(Qt::Key_Up);
        QTest::newRow("PageUp") << int(Qt::Key_PageUp);
    }
    void theFirstNavigationKeySelectsTheFirstRowAndEnterSendsIt() {
        QFETCH(int, key);
        QCOMPARE(m_list->currentIndex().row(), 0);
        QVERIFY(m_list->selectionModel()->selectedRows().isEmpty());
        QTest::keyClick(m_list, Qt::Key(key));
        QCOMPARE(selectedRows(), QList<int>{0});
        QTest::keyClick(m_list, Qt::Key_Return);
        QCOMPARE(hex(m_queue.takeAll()), hex(test::withCrc({0xC7, 0x06, 0x24, 0x02, 0x01, 0x00})));
    }

    void afterTheFirstKeyDownAndUpMoveTheSelectionOneRow() {
        QTest::keyClick(m_list, Qt::Key_Down);
        QTest::keyClick(m_list, Qt::Key_Down);
        QCOMPARE(selectedRows(), QList<int>{1});
        QTest::keyClick(m_list, Qt::Key_Down);
        QTest::keyClick(m_list, Qt::Key_Up);
        QCOMPARE(selectedRows(), QList<int>{1});
        QTest::keyClick(m_list, Qt::Key_Up);
        QCOMPARE(selectedRows(), QList<int>{0});
    }

    void enterWithoutASelectedRowAndEscapeDoNothing() {
        QTest::keyClick(m_list, Qt::Key_Return);
        QTest::keyClick(m_list, Qt::Key_Escape);
        QVERIFY(m_queue.empty());
        QVERIFY(m_dlg->isVisible());
    }

    void theCloseBoxHidesTheWindowAndSaysSo() {
        QSignalSpy closed(m_dlg.get(), &ChildWindow::closedByUser);
        QVERIFY(m_dlg->close());
        QVERIFY(!m_dlg->isVisible());
        QCOMPARE(closed.count(), 1);
        QCOMPARE(m_list->rowCount(), 45);
    }

private:
    QList<int> selectedRows() const {
        QList<int> rows;
        for (const QModelIndex& index : m_list->selectionModel()->selectedRows()) {
            rows << index.row();
        }
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    void clickCell(int row, int column) {
        const QModelIndex index = m_list->model()->index(row, column);
        m_list->scrollTo(index);
        QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {},
                          m_list->visualRect(index).center());
    }
    void doubleClickCell(int row, int column) {
        const QModelIndex index = m_list->model()->index(row, column);
        m_list->scrollTo(index);
        QTest::mouseDClick(m_list->viewport(), Qt::LeftButton, {},
                           m_list->visualRect(index).center());
    }

    TransmitQueue m_queue;
    std::atomic<bool> m_portOpen{true};
    std::atomic<bool> m_closing{false};
    std::unique_ptr<FrameWriter> m_writer;
    std::unique_ptr<CTxDlg> m_dlg;
    CEditableListCtrl* m_list = nullptr;
};

QTEST_MAIN(TxWindowTest)
#include "tx_window_test.moc"

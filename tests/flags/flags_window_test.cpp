#include <QApplication>
#include <QHeaderView>
#include <QMessageBox>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>
#include <vector>

#include "flags/flag_strip.h"
#include "flags/flags_dlg.h"
#include "flags/no_sel_list_ctrl.h"

using namespace tresvik;

namespace {

constexpr int kFrame = FlagStrip::kFrameSize;

// A strip whose frames are filled with the given colours, frame 0 first.
QImage strip(const std::vector<QColor>& frames) {
    QImage image(kFrame * static_cast<int>(frames.size()), kFrame, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        // Each frame's picture leaves a transparent border of 12 pixels.
        painter.fillRect(kFrame * static_cast<int>(i) + 12, 12, kFrame - 24, kFrame - 24,
                         frames[i]);
    }
    return image;
}

// Closes every message box that opens while the caller waits, and records its text.
class MessageBoxes : public QObject {
public:
    MessageBoxes() {
        connect(&m_poll, &QTimer::timeout, this, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts << box->text();
                box->accept();
            }
        });
        m_poll.start(10);
    }
    QStringList texts;

private:
    QTimer m_poll;
};

const OwnerFrame kOwner{QRect(600, 50, 742, 757), {}};

}  // namespace

// The Flags window with the console's artwork, or with strips of the test's own.
class FlagsWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() { m_dlg = std::make_unique<CFlagsDlg>(); }
    void cleanup() { m_dlg.reset(); }

    void windowHasTheTemplatesCaptionSizeAndGrid() {
        QCOMPARE(m_dlg->windowTitle(), QStringLiteral("Flags"));
        QCOMPARE(m_dlg->size(), QSize(480, 757));
        NoSelListCtrl* list = m_dlg->list();
        QCOMPARE(list->geometry(), QRect(10, 11, 459, 734));
        QVERIFY(list->horizontalHeader()->isHidden());
        QCOMPARE(list->rowCount(), 12);
        QCOMPARE(list->columnCount(), 20);
        QCOMPARE(list->columnWidth(0), 39);
        QCOMPARE(list->columnWidth(19), 37);
        QCOMPARE(m_dlg->imageCount(), 656);
        QCOMPARE(m_dlg->stripImageCounts(), (std::array<int, 5>{192, 112, 144, 128, 80}));
        // Before any report: flags crossed, empty cells the placeholder, no picture below a
        // group's last row.
        QCOMPARE(m_dlg->cellImage(0, 0), 2);
        QCOMPARE(m_dlg->cellImage(0, 1), 4);
        QCOMPARE(m_dlg->cellImage(0, 4), 194);
        QCOMPARE(m_dlg->cellImage(7, 4), -1);
    }

    void aStripIsCutIntoFourImagesAPositionWithTheMiddleFrameCrossed() {
        const FlagStrip cut(strip({Qt::black, Qt::red, Qt::blue, Qt::yellow}));
        QVERIFY(cut.usable());
        QCOMPARE(cut.images().size(), std::size_t{4});
        const auto colour = [&](int image, int x, int y) {
            return QColor::fromRgba(cut.images()[static_cast<std::size_t>(image)].pixel(x, y));
        };
        QCOMPARE(colour(0, 17, 10), QColor(Qt::red));
        QCOMPARE(colour(1, 17, 10), QColor(Qt::blue));
        QCOMPARE(colour(2, 17, 10), QColor(Qt::blue));
        QCOMPARE(colour(3, 17, 10), QColor(Qt::yellow));
        // The cross goes through the middle of the crossed copy only.
        QCOMPARE(colour(2, 17, 17), QColor(Qt::green));
        QCOMPARE(colour(1, 17, 17), QColor(Qt::blue));
        // The frame's transparent border stays transparent.
        QCOMPARE(colour(0, 1, 17).alpha(), 0);
        QCOMPARE(cut.images()[0].size(), QSize(35, 35));
    }

    void stripsThatCannotBeCutAreRefusedWithTheirMessageAndAddNoImages() {
        std::array<QImage, 5> strips = CFlagsDlg::builtInStrips();
        strips[1] = strips[1].copy(0, 0, strips[1].width(), 100);
        // Two usable frames do not make a flag position.
        strips[3] = strip({Qt::black, Qt::red, Qt::blue});
        CFlagsDlg dlg(strips);
        QCOMPARE(dlg.stripImageCounts(), (std::array<int, 5>{192, 0, 144, 0, 80}));
        MessageBoxes boxes;
        dlg.initialise(kOwner);
        QCOMPARE(boxes.texts, (QStringList{FlagStrip::kBadSizeText, FlagStrip::kBadSizeText}));
        // The later groups' pictures move up behind the strips that added nothing.
        QCOMPARE(dlg.cellImage(0, 8), 192 + 2);
        QCOMPARE(dlg.cellImage(0, 16), 336 + 2);
    }

    void noCellCanBeSelected() {
        m_dlg->initialise(kOwner);
        m_dlg->unpark();
        NoSelListCtrl* list = m_dlg->list();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, QPoint(60, 60));
        QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
        list->selectAll();
        list->selectRow(3);
        list->setCurrentCell(2, 2, QItemSelectionModel::Select);
        list->selectionModel()->select(list->model()->index(1, 1), QItemSelectionModel::Toggle);
        QVERIFY(list->selectionModel()->selectedIndexes().isEmpty());
    }

    void separatorsStandAfterEveryFourthColumnWithinTheClientArea() {
        const std::vector<int> wide{150, 100, 150, 100, 150, 100, 150, 100, 150, 100};
        QCOMPARE(NoSelListCtrl::separatorPositions(wide, 0, 2000),
                 (std::vector<int>{499, 999, 1249}));
        QCOMPARE(NoSelListCtrl::separatorPositions(wide, 200, 2000),
                 (std::vector<int>{299, 799, 1049}));
        // A line whose column border reaches the client area's right edge is not drawn.
        QCOMPARE(NoSelListCtrl::separatorPositions(wide, 0, 1001), (std::vector<int>{499, 999}));
        QCOMPARE(NoSelListCtrl::separatorPositions(wide, 0, 1000), (std::vector<int>{499}));
    }

    void separatorsArePaintedAndFollowAHorizontalScroll() {
        m_dlg->initialise(kOwner);
        m_dlg->unpark();
        QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
        NoSelListCtrl* list = m_dlg->list();
        const auto pixel = [&](int x) {
            return QColor::fromRgb(list->viewport()->grab().toImage().pixel(x, 200));
        };
        QCOMPARE(pixel(149), QColor(1, 1, 1));
        QCOMPARE(pixel(297), QColor(1, 1, 1));
        list->horizontalScrollBar()->setValue(100);
        QCOMPARE(pixel(49), QColor(1, 1, 1));
        QCOMPARE(pixel(197), QColor(1, 1, 1));
        QVERIFY(pixel(149) != QColor(1, 1, 1));
    }

    void itStartsParkedAndComesBackWhereTheUserLeftIt() {
        m_dlg->initialise(kOwner);
        QVERIFY(m_dlg->parked());
        QVERIFY(!m_dlg->isVisible());
        QCOMPARE(m_dlg->pos(), QPoint(CFlagsDlg::parkX(), 0));
        QCOMPARE(m_dlg->size(), QSize(480 + 285, 757));
        QCOMPARE(m_dlg->list()->width(), 459 + 285);
        // Its normal place: right edge at the main window's left edge, tops level.
        QCOMPARE(m_dlg->normalRect(), QRect(600 - 480, 50, 480, 757));

        m_dlg->unpark();
        QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
        QCOMPARE(m_dlg->frameGeometry().topLeft(), QPoint(120, 50));
        QCOMPARE(m_dlg->size(), QSize(480, 757));
        QCOMPARE(m_dlg->list()->width(), 459);

        m_dlg->move(200, 120);
        QTRY_COMPARE(m_dlg->frameGeometry().topLeft(), QPoint(200, 120));
        QSignalSpy closed(m_dlg.get(), &ChildWindow::closedByUser);
        m_dlg->close();
        QCOMPARE(closed.count(), 1);
        QVERIFY(m_dlg->parked());
        QVERIFY(!m_dlg->isVisible());
        QCOMPARE(m_dlg->list()->width(), 459 + 285);
        m_dlg->unpark();
        QTRY_COMPARE(m_dlg->frameGeometry().topLeft(), QPoint(200, 120));
    }

    void keysDoNothing() {
        m_dlg->initialise(kOwner);
        m_dlg->unpark();
        QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
        for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
            QTest::keyClick(m_dlg.get(), key);
        }
        QVERIFY(m_dlg->isVisible());
        QVERIFY(!m_dlg->parked());
    }

private:
    std::unique_ptr<CFlagsDlg> m_dlg;
};

QTEST_MAIN(FlagsWindowTest)
#include "flags_window_test.moc"

#include <QPushButton>
#include <QTest>

#include <memory>
#include <optional>

#include "ui/child_window.h"
#include "ui/window_dock.h"

using namespace tresvik;

namespace {

constexpr int kTimeoutMs = 10000;

// A tool window as a new feature would add one: it places itself to the right of the owner's
// frame and counts what the dock asks of it.
class ToolWindow : public ChildWindow {
public:
    ToolWindow() : ChildWindow(Qt::Window) { resize(120, 90); }

    void initialise(const OwnerFrame& owner) override {
        m_owner = owner;
        move(owner.frame.right() + 1, owner.frame.top());
    }
    void finish() override {
        ++finishes;
        hide();
    }
    bool initialised() const override { return m_owner.has_value(); }
    const std::optional<OwnerFrame>& owner() const { return m_owner; }

    int finishes = 0;

private:
    std::optional<OwnerFrame> m_owner;
};

QPushButton* makeBox(QWidget& owner) {
    auto* box = new QPushButton(&owner);
    box->setCheckable(true);
    return box;
}

}  // namespace

class WindowDockTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_owner = std::make_unique<QWidget>();
        m_owner->resize(300, 200);
        m_owner->move(200, 150);
        m_dock = std::make_unique<WindowDock>(*m_owner);
    }
    void cleanup() {
        m_dock.reset();
        m_owner.reset();
    }

    void aWindowRegisteredLateStartsAtOnceAndItsBoxShowsHidesAndFollowsIt() {
        ToolWindow first;
        m_dock->add(first, *makeBox(*m_owner));
        m_owner->show();
        QTRY_VERIFY_WITH_TIMEOUT(first.initialised(), kTimeoutMs);

        ToolWindow late;
        QPushButton* box = makeBox(*m_owner);
        m_dock->add(late, *box);
        QVERIFY(late.initialised());
        QCOMPARE(late.owner()->frame, m_owner->windowHandle()->frameGeometry());

        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(late.isVisible());
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(!late.isVisible());
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(late.close());
        QVERIFY(!late.isVisible());
        QVERIFY(!box->isChecked());
    }

    void everyWindowFollowsTheOwnerUntilShutdownEndsIt() {
        ToolWindow shown;
        ToolWindow hidden;
        QPushButton* shownBox = makeBox(*m_owner);
        m_dock->add(shown, *shownBox);
        m_dock->add(hidden, *makeBox(*m_owner));
        m_owner->show();
        QTRY_VERIFY_WITH_TIMEOUT(hidden.initialised(), kTimeoutMs);
        QTest::mouseClick(shownBox, Qt::LeftButton);
        QVERIFY(QTest::qWaitForWindowExposed(&shown));
        const QRect ownerFrame = m_owner->windowHandle()->frameGeometry();
        const QPoint shownAt(ownerFrame.right() + 1, ownerFrame.top());
        QTRY_COMPARE(shown.windowHandle()->framePosition(), shownAt);
        const QPoint hiddenAt = hidden.pos();

        const QPoint ownerAt = m_owner->geometry().topLeft();
        m_owner->move(m_owner->pos() + QPoint(40, 30));
        QTRY_COMPARE(m_owner->geometry().topLeft(), ownerAt + QPoint(40, 30));
        QTRY_COMPARE(shown.windowHandle()->framePosition(), shownAt + QPoint(40, 30));
        QCOMPARE(hidden.pos(), hiddenAt + QPoint(40, 30));

        m_dock->shutdown();
        QCOMPARE(shown.finishes, 1);
        QCOMPARE(hidden.finishes, 1);
        QVERIFY(!shown.isVisible());
        // Ended, the windows are neither moved nor shown any more.
        m_owner->move(m_owner->pos() + QPoint(10, 10));
        QTRY_COMPARE(m_owner->geometry().topLeft(), ownerAt + QPoint(50, 40));
        QCOMPARE(hidden.pos(), hiddenAt + QPoint(40, 30));
        QTest::mouseClick(shownBox, Qt::LeftButton);
        QTest::mouseClick(shownBox, Qt::LeftButton);
        QVERIFY(!shown.isVisible());
    }

    void aBoxWithItsOwnActionsPressedBeforeTheStartIsCarriedOutOnceTheWindowHasStarted() {
        ToolWindow window;
        QPushButton* box = makeBox(*m_owner);
        int shows = 0;
        int hides = 0;
        m_dock->add(window, *box, {.box = {[&] { ++shows; }, [&] { ++hides; }}});
        m_owner->show();
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(!window.initialised());
        QCOMPARE(shows, 0);
        QTRY_VERIFY_WITH_TIMEOUT(window.initialised(), kTimeoutMs);
        QCOMPARE(shows, 1);
        QTest::mouseClick(box, Qt::LeftButton);
        QCOMPARE(hides, 1);
        // The box's actions stand in for showing and hiding the window.
        QVERIFY(!window.isVisible());
    }

private:
    std::unique_ptr<QWidget> m_owner;
    std::unique_ptr<WindowDock> m_dock;
};

QTEST_MAIN(WindowDockTest)
#include "window_dock_test.moc"

#include "flags/flags_dlg.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QStyledItemDelegate>

#include <future>

#include "flags/flag_strip.h"
#include "flags/no_sel_list_ctrl.h"
#include "ui/dialog_units.h"
#include "ui/resources.h"
#include "ui/window_frame.h"

namespace tresvik {

namespace {

constexpr int kFirstColumnWidth = 39;
constexpr int kColumnWidth = 37;
constexpr int kRowHeight = 37;
// The image index a cell shows, beside the picture itself.
constexpr int kImageRole = Qt::UserRole;

// Draws a cell's picture centred in the cell, nothing else: the grid has no texts, no selection
// and no focus frame.
class FlagIconDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QPixmap pixmap = index.data(Qt::DecorationRole).value<QPixmap>();
        if (pixmap.isNull()) {
            return;
        }
        QRect target(QPoint(), pixmap.size());
        target.moveCenter(option.rect.center());
        painter->drawPixmap(target, pixmap);
    }
};

}  // namespace

std::array<QImage, kFlagGroupCount> CFlagsDlg::builtInStrips() {
    useResources();
    // Decoding the five strips is most of the console's start-up work; they are decoded side by
    // side, on as many cores as there are.
    std::array<std::future<QImage>, kFlagGroupCount> loads;
    for (int g = 0; g < kFlagGroupCount; ++g) {
        const QString path = QStringLiteral(":/flags/strip-%1.png").arg(flagGroup(g).stripResource);
        loads[static_cast<std::size_t>(g)] =
            std::async(std::launch::async, [path] { return QImage(path); });
    }
    std::array<QImage, kFlagGroupCount> strips;
    for (std::size_t g = 0; g < strips.size(); ++g) {
        strips[g] = loads[g].get();
    }
    return strips;
}

CFlagsDlg::CFlagsDlg(const std::array<QImage, kFlagGroupCount>& strips)
    : ChildWindow(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                  Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_list(new NoSelListCtrl(kFlagGridRows, kFlagGridColumns, this)) {
    setWindowTitle(QStringLiteral("Flags"));
    setFont(templateFont());
    m_normalSize = QSize(dluX(320), dluY(466));
    setFixedSize(m_normalSize);
    // The window takes no keys at all.
    setFocusPolicy(Qt::NoFocus);

    m_list->setObjectName(QStringLiteral("flagList"));
    m_list->setGeometry(dluRect(7, 7, 306, 452));
    m_list->setFocusPolicy(Qt::NoFocus);
    m_list->setItemDelegate(new FlagIconDelegate(m_list));
    m_list->setColumnWidth(0, kFirstColumnWidth);
    for (int column = 1; column < kFlagGridColumns; ++column) {
        m_list->setColumnWidth(column, kColumnWidth);
    }
    for (int row = 0; row < kFlagGridRows; ++row) {
        m_list->setRowHeight(row, kRowHeight);
    }

    // Every picture is made once, here: an update only chooses among them.
    for (std::size_t g = 0; g < strips.size(); ++g) {
        const FlagStrip strip(strips[g]);
        if (!strip.usable()) {
            ++m_refusedStrips;
            continue;
        }
        m_failedImages += strip.failedImages();
        for (const QImage& image : strip.images()) {
            m_images.push_back(QPixmap::fromImage(image));
        }
        m_stripCounts[g] = static_cast<int>(strip.images().size());
    }

    m_grid = FlagGrid(m_stripCounts);
    for (int row = 0; row < kFlagGridRows; ++row) {
        for (int column = 0; column < kFlagGridColumns; ++column) {
            auto* cell = new QTableWidgetItem;
            cell->setFlags(Qt::ItemIsEnabled);
            m_list->setItem(row, column, cell);
            setCellImage(row, column, m_grid.image(row, column));
        }
    }
}

void CFlagsDlg::showFlag(const FlagUpdate& flag) {
    for (const FlagCell& cell : m_grid.show(flag)) {
        setCellImage(cell.row, cell.column, cell.image);
    }
}

CFlagsDlg::~CFlagsDlg() = default;

int CFlagsDlg::parkX() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->virtualGeometry().right() + 1 : 0;
}

void CFlagsDlg::initialise(const OwnerFrame& owner) {
    const int frameWidth =
        m_normalSize.width() + owner.decoration.left() + owner.decoration.right();
    const int frameHeight =
        m_normalSize.height() + owner.decoration.top() + owner.decoration.bottom();
    m_normalRect = QRect(owner.frame.x() - frameWidth, owner.frame.y(), frameWidth, frameHeight);
    m_normalListRect = m_list->geometry();
    moveToParking();
    m_initialised = true;
    for (int i = 0; i < m_refusedStrips; ++i) {
        QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(),
                        FlagStrip::kBadSizeText, QMessageBox::Ok, this);
        box.exec();
    }
    if (m_failedImages > 0) {
        emit imagesFailed(QStringLiteral("Flags: %1 icon images could not be made; their cells "
                                         "show other pictures.")
                              .arg(m_failedImages));
    }
}

void CFlagsDlg::finish() {
    m_initialised = false;
    hide();
}

void CFlagsDlg::follow(const QPoint& delta) {
    if (m_parked) {
        m_normalRect.translate(delta);
        return;
    }
    m_normalRect = windowFrame(*this).translated(delta);
    moveWindowBy(*this, delta);
}

void CFlagsDlg::setCellImage(int row, int column, int image) {
    QTableWidgetItem* cell = m_list->item(row, column);
    if (cell == nullptr || cellImage(row, column) == image) {
        return;
    }
    const bool known = image >= 0 && image < imageCount();
    cell->setData(Qt::DecorationRole,
                  known ? m_images[static_cast<std::size_t>(image)] : QPixmap());
    cell->setData(kImageRole, image);
}

int CFlagsDlg::cellImage(int row, int column) const {
    const QTableWidgetItem* cell = m_list->item(row, column);
    if (cell == nullptr) {
        return -1;
    }
    const QVariant image = cell->data(kImageRole);
    return image.isValid() ? image.toInt() : -1;
}

void CFlagsDlg::unpark() {
    m_parked = false;
    setFixedSize(m_normalSize);
    move(m_normalRect.topLeft());
    show();
    m_list->setGeometry(m_normalListRect);
    m_list->viewport()->update();
}

void CFlagsDlg::park() {
    if (!m_parked) {
        m_normalRect = windowFrame(*this);
    }
    moveToParking();
}

void CFlagsDlg::moveToParking() {
    m_parked = true;
    m_list->setGeometry(m_normalListRect.adjusted(0, 0, kParkWidening, 0));
    hide();
    setFixedSize(m_normalSize.width() + kParkWidening, m_normalSize.height());
    move(parkX(), 0);
}

QPixmap CFlagsDlg::captureWidened() {
    const QSize widened(m_normalSize.width() + kParkWidening, m_normalSize.height());
    if (!m_initialised) {
        QPixmap blank(widened);
        blank.fill(Qt::black);
        return blank;
    }
    if (m_parked) {
        return grab();
    }
    // The user sees the window grow to the left for a moment and shrink back.
    const QPoint place = pos();
    setFixedSize(widened);
    move(place.x() - kParkWidening, place.y());
    m_list->setGeometry(m_normalListRect.adjusted(0, 0, kParkWidening, 0));
    const QPixmap picture = grab();
    setFixedSize(m_normalSize);
    move(place);
    m_list->setGeometry(m_normalListRect);
    m_list->viewport()->update();
    return picture;
}

void CFlagsDlg::closeEvent(QCloseEvent* event) {
    // The close box parks the window; it is never destroyed.
    event->accept();
    park();
    emit closedByUser();
}

void CFlagsDlg::keyPressEvent(QKeyEvent* event) {
    event->accept();
}

}  // namespace tresvik

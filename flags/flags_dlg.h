#pragma once

#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QString>

#include <array>
#include <vector>

#include "flags/flag_grid.h"
#include "flags/flag_states.h"
#include "ui/child_window.h"

namespace tresvik {

class NoSelListCtrl;

// The Flags window: the unit's two-bit status flags as a grid of icons, one group of four
// columns per status message. When it is not shown it is parked, hidden and 285 pixels wider
// (its list too) beyond the right edge of the desktop, so that a capture can take all of it.
class CFlagsDlg : public ChildWindow {
    Q_OBJECT
public:
    static constexpr int kParkWidening = 285;

    // The five icon strips, in group order; the console's own artwork by default.
    explicit CFlagsDlg(const std::array<QImage, kFlagGroupCount>& strips = builtInStrips());
    ~CFlagsDlg() override;

    static std::array<QImage, kFlagGroupCount> builtInStrips();

    // How many images each strip added; a refused strip added none.
    const std::array<int, kFlagGroupCount>& stripImageCounts() const { return m_stripCounts; }
    int imageCount() const { return static_cast<int>(m_images.size()); }

    // Fills the grid, keeps the normal place to the left of the main window, tops level, and
    // parks the window. Refused strips are reported in a message box.
    void initialise(const OwnerFrame& owner) override;
    void finish() override;
    bool initialised() const override { return m_initialised; }
    // Parked, only the normal place moves; shown, the window moves and that is its normal place.
    void follow(const QPoint& delta) override;

    // The unit reported a flag: the cells that show it change their image.
    void showFlag(const FlagUpdate& flag);
    // One cell shows another image.
    void setCellImage(int row, int column, int image);
    // The image a cell shows; -1 for a cell without one.
    int cellImage(int row, int column) const;

    // Back at the normal place, shown.
    void unpark();
    // The present place becomes the normal one; then parked and hidden.
    void park();
    bool parked() const { return m_parked; }
    // Where the window stands when shown: its frame, in screen coordinates.
    QRect normalRect() const { return m_normalRect; }
    // The left edge of the park position: the right edge of the whole desktop, so that a parked
    // window is outside every screen.
    static int parkX();
    // The window's client area as a parked window has it, 285 pixels wider: taken as it is when
    // parked, or widened to the left for the moment when shown. Blank before initialisation.
    QPixmap captureWidened();

    NoSelListCtrl* list() const { return m_list; }

signals:
    // An icon image could not be made; said once, after the initialisation.
    void imagesFailed(const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void moveToParking();

    NoSelListCtrl* m_list;
    std::vector<QPixmap> m_images;
    std::array<int, kFlagGroupCount> m_stripCounts{};
    // The image of every cell; where each group's images start depends on the strips it made.
    FlagGrid m_grid;
    int m_refusedStrips = 0;
    int m_failedImages = 0;
    QRect m_normalRect;
    QRect m_normalListRect;
    QSize m_normalSize;
    bool m_parked = false;
    bool m_initialised = false;
};

}  // namespace tresvik

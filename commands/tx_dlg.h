#pragma once

#include <QString>

#include <optional>

#include "ui/child_window.h"

namespace tresvik {

class CEditableListCtrl;
class FrameWriter;

// The Tx window: the engineer's command panel. One row per command, its name and its Value; a
// Value is edited in place, and a row is sent with Enter (the first selected row) or a
// double-click on its name. Values the unit reports under a command's identifier are written
// into the list by the read-back.
class CTxDlg : public ChildWindow {
    Q_OBJECT
public:
    // Sends through `writer`, as every other frame builder of the console does.
    explicit CTxDlg(FrameWriter& writer);
    ~CTxDlg() override;

    // Places the window to the right of the main window, bottom edges level, keeping its size.
    void initialise(const OwnerFrame& owner) override;
    void finish() override;
    bool initialised() const override { return m_initialised; }

    // A read-back from a received frame: sets one cell (column 0 CMD, 1 Value).
    void applyCellUpdate(int row, int column, const QString& text);

    CEditableListCtrl* list() const { return m_list; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void onListDoubleClicked(const QPoint& point);
    void onCellEdited(int row, int column, const std::optional<QString>& text);
    void sendCommand(int row);

    FrameWriter& m_writer;
    CEditableListCtrl* m_list;
    bool m_initialised = false;
};

}  // namespace tresvik

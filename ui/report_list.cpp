#include "ui/report_list.h"

#include <QHeaderView>
#include <QTableWidget>

namespace tresvik {

void setUpReportList(QTableWidget& list) {
    list.setSelectionBehavior(QAbstractItemView::SelectRows);
    list.setSelectionMode(QAbstractItemView::ExtendedSelection);
    list.setEditTriggers(QAbstractItemView::NoEditTriggers);
    list.setTabKeyNavigation(false);
    list.setWordWrap(false);
    list.setCornerButtonEnabled(false);
    list.verticalHeader()->hide();
    list.verticalHeader()->setMinimumSectionSize(kReportItemHeight);
    list.verticalHeader()->setDefaultSectionSize(kReportItemHeight);
    list.horizontalHeader()->setHighlightSections(false);
}

}  // namespace tresvik

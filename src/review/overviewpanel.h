#pragma once

#include "review/autodelete.h"

#include <QWidget>

class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTabWidget;
class QTableView;
class QTimer;
class QTreeWidget;

namespace vexa {

class CDuplicates;
class GroupOverviewModel;
class ThumbnailLoader;

// Beside the tiles: every group in a table (sortable by reclaimable bytes,
// group size and path, filtered by path text; choosing a row shows that
// group) and, on a second page, the pairs remembered as not duplicates with
// Forget. Pictures are asked for only for the rows in sight, after the
// scrolling stops. Interface thread only.
class OverviewPanel : public QWidget {
    Q_OBJECT
public:
    explicit OverviewPanel(QWidget *parent = nullptr);

    // A modest width, so the splitter beside the tiles starts from a fair
    // share instead of every column in full.
    QSize sizeHint() const override;
    ~OverviewPanel() override;

    // Shows the set's groups (reads the records, touches no file).
    void showSet(const CDuplicates &set, const MemorySourceLookup &memory);
    void clear();
    // Selects the row of a group position without choosing it.
    void markPosition(int position);
    // Reads the remembered pairs again.
    void refreshPairs();

    QTableView *table() const { return m_table; }
    QSortFilterProxyModel *proxy() const { return m_proxy; }
    GroupOverviewModel *model() const { return m_model; }
    QLineEdit *filter() const { return m_filter; }
    QTreeWidget *pairs() const { return m_pairs; }
    QPushButton *forgetButton() const { return m_forget; }
    QTabWidget *pages() const { return m_pages; }

signals:
    // A row was chosen: show the group at this 1-based position.
    void groupChosen(int position);
    // A pair was forgotten.
    void pairsChanged();

private:
    void askForPictures();
    void forgetSelectedPairs();

    GroupOverviewModel *m_model = nullptr;
    QSortFilterProxyModel *m_proxy = nullptr;
    QTableView *m_table = nullptr;
    QLineEdit *m_filter = nullptr;
    QTabWidget *m_pages = nullptr;
    QTreeWidget *m_pairs = nullptr;
    QPushButton *m_forget = nullptr;
    QTimer *m_pictureTimer = nullptr;
    ThumbnailLoader *m_loader = nullptr;
    QList<int> m_pictureRows;  // model rows of the pictures asked for, in order
};

}  // namespace vexa

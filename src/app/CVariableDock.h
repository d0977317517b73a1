#pragma once
// The dock window "変数": every variable a watched run has assigned, in the
// order of first assignment, with its value as the console writes it; an
// array is one row that opens onto its elements. What the last step changed
// is marked (bold, in colour). Rows are kept and only their texts change, so
// that an update costs what changed on the screen, not a new tree.

#include "interp/CVariableWatch.h"

#include <QDockWidget>

#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

class CVariableDock : public QDockWidget {
    Q_OBJECT

public:
    explicit CVariableDock(QWidget* parent = nullptr);

    // Shows `rows` (the watch of the run under way or just ended).
    void ShowRows(const std::vector<WatchRow>& rows);
    void Clear();

    QTreeWidget* Tree() const { return m_tree; }
    // An item's mark: the last step changed it.
    static bool IsMarked(const QTreeWidgetItem& item);

    // Elements an array row lists; the rest is summed up in one row.
    static constexpr int kMaxElementsShown = 1000;

private:
    void SetItem(QTreeWidgetItem& item, const QString& name, const QString& value, bool changed);

    QTreeWidget* m_tree;
};

#include "app/CVariableDock.h"

#include "app/UiTexts.h"
#include "base/CConsole.h"
#include "base/Codec.h"
#include "view/QtText.h"

#include <QHeaderView>
#include <QTreeWidget>

#include <algorithm>

namespace {

constexpr int kChangedRole = Qt::UserRole + 1;
// Elements written out in an array's own row before it is cut short.
constexpr int kSummaryElements = 8;

QString Number(double value)
{
    return QString::fromLatin1(FormatNumber(value));
}

// Variable names are code page 932 bytes, as the box texts that made them.
QString NameText(const std::string& cp932)
{
    return ui::QtText(codec::Cp932ToUtf8(cp932));
}

QString ElementText(const WatchRow& row, const WatchElement& element)
{
    return NameText(ElementName(row.name, element.subscripts));
}

} // namespace

CVariableDock::CVariableDock(QWidget* parent)
    : QDockWidget(ui::Tr(texts::kWatchTitle), parent)
    , m_tree(new QTreeWidget(this))
{
    setObjectName(QStringLiteral("variables"));
    m_tree->setColumnCount(2);
    m_tree->setHeaderLabels({ ui::Tr(texts::kWatchName), ui::Tr(texts::kWatchValue) });
    m_tree->setRootIsDecorated(true);
    m_tree->setUniformRowHeights(true);
    m_tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    setWidget(m_tree);
}

bool CVariableDock::IsMarked(const QTreeWidgetItem& item)
{
    return item.data(0, kChangedRole).toBool();
}

void CVariableDock::SetItem(QTreeWidgetItem& item, const QString& name, const QString& value, bool changed)
{
    if (item.text(0) != name)
        item.setText(0, name);
    if (item.text(1) != value)
        item.setText(1, value);
    if (IsMarked(item) == changed && item.data(0, kChangedRole).isValid())
        return;
    item.setData(0, kChangedRole, changed);
    QFont font = m_tree->font();
    font.setBold(changed);
    const QBrush colour = changed ? QBrush(QColor(0xC0, 0x00, 0x00)) : m_tree->palette().text();
    for (int column = 0; column < 2; ++column) {
        item.setFont(column, font);
        item.setForeground(column, colour);
    }
}

void CVariableDock::ShowRows(const std::vector<WatchRow>& rows)
{
    // Rows only ever come at the end (first assignment order); a new run
    // starts from an empty list.
    while (m_tree->topLevelItemCount() > static_cast<int>(rows.size()))
        delete m_tree->takeTopLevelItem(m_tree->topLevelItemCount() - 1);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const WatchRow& row = rows[i];
        QTreeWidgetItem* item = m_tree->topLevelItem(static_cast<int>(i));
        if (!item)
            item = new QTreeWidgetItem(m_tree);
        if (!row.IsArray()) {
            qDeleteAll(item->takeChildren());
            SetItem(*item, NameText(row.name), Number(row.value), row.changed);
            continue;
        }
        // The array's own row sums up its first elements; its children are
        // the elements with their subscripts.
        QStringList summary;
        for (std::size_t e = 0; e < row.elements.size() && e < kSummaryElements; ++e)
            summary.append(Number(row.elements[e].value));
        QString value = QStringLiteral("{") + summary.join(QStringLiteral(", "))
            + (row.elements.size() > kSummaryElements ? QStringLiteral(", ...}") : QStringLiteral("}"));
        QString name = NameText(row.name);
        for (int s = 0; s < row.subscripts; ++s)
            name += QStringLiteral("[]");
        SetItem(*item, name, value, row.changed);
        const int shown = static_cast<int>(std::min<std::size_t>(row.elements.size(), kMaxElementsShown));
        const int wanted = shown + (row.elements.size() > kMaxElementsShown ? 1 : 0);
        while (item->childCount() > wanted)
            delete item->takeChild(item->childCount() - 1);
        while (item->childCount() < wanted)
            item->addChild(new QTreeWidgetItem());
        for (int e = 0; e < shown; ++e) {
            const WatchElement& element = row.elements[static_cast<std::size_t>(e)];
            SetItem(*item->child(e), ElementText(row, element), Number(element.value), element.changed);
        }
        if (wanted > shown)
            SetItem(*item->child(shown), QStringLiteral("..."),
                    QString::number(row.elements.size() - static_cast<std::size_t>(shown)), false);
    }
}

void CVariableDock::Clear()
{
    m_tree->clear();
}

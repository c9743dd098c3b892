#include "qml/ChoiceListModel.h"

#include <algorithm>

namespace amplora {

int ChoiceListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant ChoiceListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const Choice &choice = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case NameRole:
        return choice.name;
    case KeyRole:
        return choice.key;
    case LabelRole:
        return choice.label;
    case SymbolRole:
        return choice.symbol;
    case NumberRole:
        return choice.number;
    case CurrentRole:
        return choice.current;
    default:
        return {};
    }
}

QHash<int, QByteArray> ChoiceListModel::roleNames() const
{
    return { { KeyRole, "key" }, { NameRole, "name" }, { LabelRole, "label" }, { SymbolRole, "symbol" },
        { NumberRole, "number" }, { CurrentRole, "current" } };
}

void ChoiceListModel::setRows(QList<Choice> rows)
{
    const int currentBefore = currentIndex();
    const bool sameKeys = rows.size() == m_rows.size()
        && std::equal(
            rows.begin(), rows.end(), m_rows.begin(), [](const Choice &a, const Choice &b) { return a.key == b.key; });
    if (sameKeys) {
        for (qsizetype row = 0; row < rows.size(); ++row) {
            if (rows[row] != m_rows[row]) {
                m_rows[row] = std::move(rows[row]);
                const QModelIndex changed = index(static_cast<int>(row));
                Q_EMIT dataChanged(changed, changed);
            }
        }
    } else {
        const int countBefore = count();
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
        if (count() != countBefore) {
            Q_EMIT countChanged();
        }
    }
    if (currentIndex() != currentBefore) {
        Q_EMIT currentIndexChanged();
    }
}

int ChoiceListModel::currentIndex() const
{
    const auto found = std::find_if(m_rows.begin(), m_rows.end(), [](const Choice &choice) { return choice.current; });
    return found == m_rows.end() ? -1 : static_cast<int>(found - m_rows.begin());
}

QString ChoiceListModel::keyAt(int row) const
{
    return row >= 0 && row < count() ? m_rows.at(row).key : QString();
}

} // namespace amplora

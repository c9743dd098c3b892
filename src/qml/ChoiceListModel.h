#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace amplora {

// One entry of a list the window offers: an input, a sound program, a favourite, a zone, a lamp. Lists use the
// fields they need and leave the others empty.
struct Choice {
    QString key; // what a control sends back: an input or program id, a zone, a favourite's number
    QString name; // the receiver's (or the user's) name for it: network text, shown plain
    QString label; // the application's own caption for a favourite button
    QString symbol; // a theme icon name
    int number = 0;
    bool current = false; // selected, playing or lit

    friend bool operator==(const Choice &, const Choice &) = default;
};

// A list of choices as roles (key, name, label, symbol, number, current). A new list with the same keys in the same
// order changes rows in place, so a renamed input or a new current entry redraws its rows and not the list.
class ChoiceListModel : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Lists come from the view models")
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    // The row of the first current entry; -1 when none is current.
    Q_PROPERTY(int currentIndex READ currentIndex NOTIFY currentIndexChanged)

public:
    enum Role { KeyRole = Qt::UserRole + 1, NameRole, LabelRole, SymbolRole, NumberRole, CurrentRole };

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    const QList<Choice> &rows() const { return m_rows; }
    void setRows(QList<Choice> rows);

    int count() const { return static_cast<int>(m_rows.size()); }
    int currentIndex() const;
    // The key of a row; empty outside the list.
    Q_INVOKABLE QString keyAt(int row) const;

Q_SIGNALS:
    void countChanged();
    void currentIndexChanged();

private:
    QList<Choice> m_rows;
};

} // namespace amplora

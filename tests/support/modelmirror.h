#pragma once

#include <QAbstractItemModel>
#include <QAbstractItemModelTester>
#include <QStringList>

#include <memory>

// The texts a view of `model` knows, kept up to date only through the
// model's signals, as a view keeps its own. A change the model does not
// announce leaves the mirror behind: mismatch() then names the first cell
// where it differs from what the model holds now. Qt's model tester checks
// the signals themselves on the way.
class ModelMirror : public QObject
{
public:
    explicit ModelMirror(QAbstractItemModel* model)
        : m_model(model)
        , m_tester(std::make_unique<QAbstractItemModelTester>(model, QAbstractItemModelTester::FailureReportingMode::QtTest))
    {
        readAll();
        connect(model, &QAbstractItemModel::modelReset, this, &ModelMirror::readAll);
        connect(model, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex& tl, const QModelIndex& br) {
            for (int r = tl.row(); r <= br.row(); ++r)
                for (int c = tl.column(); c <= br.column(); ++c)
                    m_rows[r][c] = text(r, c);
        });
        connect(model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int first, int last) {
            for (int r = first; r <= last; ++r)
                m_rows.insert(r, readRow(r));
        });
        connect(model, &QAbstractItemModel::rowsRemoved, this, [this](const QModelIndex&, int first, int last) {
            m_rows.remove(first, last - first + 1);
        });
        connect(model, &QAbstractItemModel::columnsInserted, this, [this](const QModelIndex&, int first, int last) {
            for (int r = 0; r < m_rows.size(); ++r)
                for (int c = first; c <= last; ++c)
                    m_rows[r].insert(c, text(r, c));
        });
        connect(model, &QAbstractItemModel::columnsRemoved, this, [this](const QModelIndex&, int first, int last) {
            for (QStringList& row : m_rows)
                row.remove(first, last - first + 1);
        });
    }

    // Empty when the mirror and the model agree.
    QString mismatch() const
    {
        if (m_rows.size() != m_model->rowCount())
            return QStringLiteral("%1 rows known, %2 held").arg(m_rows.size()).arg(m_model->rowCount());
        for (int r = 0; r < m_rows.size(); ++r) {
            if (m_rows[r].size() != m_model->columnCount())
                return QStringLiteral("%1 columns known, %2 held").arg(m_rows[r].size()).arg(m_model->columnCount());
            for (int c = 0; c < m_rows[r].size(); ++c)
                if (m_rows[r][c] != text(r, c))
                    return QStringLiteral("cell %1,%2 known as \"%3\", held as \"%4\"")
                        .arg(c).arg(r).arg(m_rows[r][c], text(r, c));
        }
        return {};
    }

private:
    QString text(int r, int c) const { return m_model->index(r, c).data(Qt::EditRole).toString(); }
    QStringList readRow(int r) const
    {
        QStringList row;
        for (int c = 0; c < m_model->columnCount(); ++c)
            row.append(text(r, c));
        return row;
    }
    void readAll()
    {
        m_rows.clear();
        for (int r = 0; r < m_model->rowCount(); ++r)
            m_rows.append(readRow(r));
    }

    QAbstractItemModel* m_model;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
    QList<QStringList> m_rows;
};

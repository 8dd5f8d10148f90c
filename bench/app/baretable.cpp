// A second yardstick for the board's start: a bare Qt window that shows the
// same 30 x 254 text grid in a plain table view. What it costs beyond the
// bare window is what any Qt program pays for fonts and text.
#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QTableView>

namespace {

class TextModel : public QAbstractTableModel
{
public:
    int rowCount(const QModelIndex& = {}) const override { return 254; }
    int columnCount(const QModelIndex& = {}) const override { return 30; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        return QStringLiteral("R%1 C%2 value").arg(index.row() + 1).arg(index.column());
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
            return {};
        return QStringLiteral("Title %1").arg(section);
    }
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TextModel model;
    QTableView window;
    window.setModel(&model);
    window.verticalHeader()->hide();
    window.resize(799, 572);
    window.show();
    return app.exec();
}

#pragma once

#include "base/services.h"
#include "store/gridstore.h"

#include <QDialog>
#include <QList>

class QLabel;
class QPushButton;
class QTableWidget;
class QTreeWidget;
class UpdateSession;
struct Preferences;

// "Backups": the backups of databkup, newest first, a read-only preview of
// the one selected, and "Restore", which makes it the shared schedule.
class BackupsDialog : public QDialog
{
    Q_OBJECT
public:
    // The preview shows at most this many cells, so that a huge backup
    // cannot hold the window up.
    static constexpr int kPreviewCells = 20000;

    BackupsDialog(const DataFolder& folder, UpdateSession& session, const Preferences& prefs, Messages& messages,
                  QWidget* parent = nullptr);

    // Lists the backups again and selects the newest.
    void reloadList();
    QString selectedFile() const;
    void restoreSelected();

signals:
    void restored();   // the shared schedule and this board's grid were replaced

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showPreview();
    void report(const QString& text, MessageKind kind = MessageKind::Error);

    GridStore m_store;
    UpdateSession& m_session;
    const Preferences& m_prefs;
    Messages& m_messages;
    QList<GridStore::BackupEntry> m_entries;

    QTreeWidget* m_list = nullptr;
    QTableWidget* m_preview = nullptr;
    QLabel* m_previewNote = nullptr;
    QPushButton* m_restore = nullptr;
};

#pragma once

#include <QObject>

#include <memory>

// Reports that something in a watched folder changed: a file created,
// written, renamed or removed. One operating-system watch per folder and no
// thread of its own; a file replaced by a rename stays watched, because the
// watch is on its folder.
class FolderWatch : public QObject
{
    Q_OBJECT
public:
    explicit FolderWatch(QObject* parent = nullptr);
    ~FolderWatch() override;

    // False when the platform refuses: the folder is missing, is not a
    // folder, or no more watches are to be had.
    bool add(const QString& folder);
    // Whether any folder is still watched: a watched folder that is removed
    // or renamed away ends its watch, and one made anew in its place is not
    // watched.
    bool watching() const;

signals:
    // Once for every batch of changes the platform reports together.
    void changed();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

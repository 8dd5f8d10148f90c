#include "coord/folderwatch.h"

#include <QDir>
#include <QFileInfo>
#include <QList>
#include <QWinEventNotifier>

#include <algorithm>
#include <utility>

#include <windows.h>

namespace {

constexpr DWORD kChanges = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_ATTRIBUTES
                           | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;

} // namespace

struct FolderWatch::Private
{
    struct Watch
    {
        HANDLE handle;
        QWinEventNotifier* notifier;
        QString folder;
    };
    QList<Watch> watches;
};

FolderWatch::FolderWatch(QObject* parent) : QObject(parent), d(std::make_unique<Private>()) {}

FolderWatch::~FolderWatch()
{
    // Each notifier goes before the handle it waits on.
    for (const Private::Watch& w : std::as_const(d->watches)) {
        delete w.notifier;
        ::FindCloseChangeNotification(w.handle);
    }
}

bool FolderWatch::add(const QString& folder)
{
    const QString native = QDir::toNativeSeparators(folder);
    const HANDLE h = ::FindFirstChangeNotificationW(reinterpret_cast<LPCWSTR>(native.utf16()), FALSE, kChanges);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    auto* notifier = new QWinEventNotifier(h);
    d->watches.append({h, notifier, folder});
    connect(notifier, &QWinEventNotifier::activated, this, [this, h, notifier, folder] {
        // Armed again for the next change; a folder that went away ends its
        // watch (the handle may follow it where it was moved, or go on
        // succeeding for a folder already removed). The notifier is inside its
        // own signal: it goes later.
        if (!QFileInfo(folder).isDir() || !::FindNextChangeNotification(h)) {
            notifier->setEnabled(false);
            notifier->deleteLater();
            ::FindCloseChangeNotification(h);
            d->watches.removeIf([h](const Private::Watch& w) { return w.handle == h; });
        }
        emit changed();
    });
    return true;
}

bool FolderWatch::watching() const
{
    // Windows reports nothing when a watched folder itself is removed or
    // renamed: its watch ends at the next report, or here.
    return std::any_of(d->watches.cbegin(), d->watches.cend(),
                       [](const Private::Watch& w) { return QFileInfo(w.folder).isDir(); });
}

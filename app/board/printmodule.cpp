#include "app/board/printmodule.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QLibrary>

namespace {

// What tells one build of the module from another without reading it.
QString fileStamp(const QString& file)
{
    const QFileInfo info(file);
    if (!info.exists())
        return {};
    return QString::number(info.size()) + u' ' + QString::number(info.lastModified().toMSecsSinceEpoch());
}

} // namespace

SortPrintMaker printModuleMaker(const QString& file)
{
    return [file, atStart = fileStamp(file)](const DataFolder& folder, Preferences& prefs, Messages& messages,
                                              QWidget* parent, QString& error) -> SortPrintWindow* {
        // Never unloaded: the dialog's code must outlive this call.
        QLibrary module(file);
        if (!module.isLoaded() && fileStamp(file) != atStart) {
            error = QStringLiteral("%1 was replaced since this board started. Close the board and start it "
                                   "again to print.")
                        .arg(QFileInfo(file).fileName());
            return nullptr;
        }
        const auto make = reinterpret_cast<MakeSortPrintFunction>(module.resolve(kMakeSortPrintSymbol));
        if (!make) {
            error = module.errorString();
            return nullptr;
        }
        return make(folder, prefs, messages, parent);
    };
}

QString printModuleFile()
{
    return QCoreApplication::applicationDirPath() + u'/' + QStringLiteral(SB_PRINT_MODULE_FILE);
}

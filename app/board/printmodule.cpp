#include "app/board/printmodule.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

#include <cstring>

namespace {

// What tells one build of the module from another without reading it.
QString fileStamp(const QString& file)
{
    const QFileInfo info(file);
    if (!info.exists())
        return {};
    return QString::number(info.size()) + u' ' + QString::number(info.lastModified().toMSecsSinceEpoch());
}

// The module at `file`, loaded, or why not.
MakeSortPrintFunction loadModule(const QString& file, const QString& atStart, QString& error)
{
    const QString name = QFileInfo(file).fileName();
    QLibrary module(file);
    if (!module.isLoaded()) {
        const QString now = fileStamp(file);
        if (now.isEmpty()) {
            error = QStringLiteral("%1 is missing from %2.").arg(name, QDir::toNativeSeparators(QFileInfo(file).path()));
            return nullptr;
        }
        // One that was there at the start and changed since came with an
        // upgrade while this board ran: built for the new executable.
        if (!atStart.isEmpty() && now != atStart) {
            error = QStringLiteral("%1 was replaced since this board started. Close the board and start it "
                                   "again to print.")
                        .arg(name);
            return nullptr;
        }
    }
    // Never unloaded: the dialog's code must outlive this call.
    if (!module.load()) {
        error = module.errorString();
        return nullptr;
    }
    const auto builtFor = reinterpret_cast<PrintInterfaceFunction>(module.resolve(kPrintInterfaceSymbol));
    if (!builtFor || std::strcmp(builtFor(), SB_PRINT_INTERFACE) != 0) {
        error = QStringLiteral("%1 belongs to another build of SchedBoard. Copy the program and its modules "
                               "together, from one build.")
                    .arg(name);
        return nullptr;
    }
    const auto make = reinterpret_cast<MakeSortPrintFunction>(module.resolve(kMakeSortPrintSymbol));
    if (!make)
        error = module.errorString();
    return make;
}

} // namespace

SortPrintMaker printModuleMaker(const QString& file)
{
    return [file, atStart = fileStamp(file)](const DataFolder& folder, Preferences& prefs, Messages& messages,
                                              QWidget* parent, QString& error) -> SortPrintWindow* {
        const MakeSortPrintFunction make = loadModule(file, atStart, error);
        return make ? make(folder, prefs, messages, parent) : nullptr;
    };
}

QString printModuleFile()
{
    return QCoreApplication::applicationDirPath() + u'/' + QStringLiteral(SB_PRINT_MODULE_FILE);
}

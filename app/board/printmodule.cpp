#include "app/board/printmodule.h"

#include "app/desktop/modulefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstring>
#include <memory>

namespace {

// The module's entry, loaded, or why not.
MakeSortPrintFunction loadModule(ModuleFile& module, QString& error)
{
    const QString name = QFileInfo(module.file()).fileName();
    if (!module.isLoaded()) {
        if (!QFileInfo::exists(module.file())) {
            error = QStringLiteral("%1 is missing from %2.")
                        .arg(name, QDir::toNativeSeparators(QFileInfo(module.file()).path()));
            return nullptr;
        }
        if (!module.load(error))
            return nullptr;
    }
    const auto builtFor = reinterpret_cast<PrintInterfaceFunction>(module.resolve(kPrintInterfaceSymbol));
    if (!builtFor || std::strcmp(builtFor(), SB_PRINT_INTERFACE) != 0) {
        // The right one may be copied in while the board runs.
        module.forget();
        error = QStringLiteral("%1 belongs to another build of SchedBoard. Copy the program and its modules "
                               "together, from one build.")
                    .arg(name);
        return nullptr;
    }
    const auto make = reinterpret_cast<MakeSortPrintFunction>(module.resolve(kMakeSortPrintSymbol));
    if (!make)
        error = QStringLiteral("%1 has no dialog to make.").arg(name);
    return make;
}

} // namespace

SortPrintMaker printModuleMaker(const QString& file)
{
    auto module = std::make_shared<ModuleFile>(file);
    return [module](const DataFolder& folder, Preferences& prefs, Messages& messages, QWidget* parent,
                    QString& error) -> SortPrintWindow* {
        const MakeSortPrintFunction make = loadModule(*module, error);
        SortPrintWindow* dialog = make ? make(folder, prefs, messages, parent) : nullptr;
        if (make && !dialog)
            error = QStringLiteral("%1 made no dialog.").arg(QFileInfo(module->file()).fileName());
        return dialog;
    };
}

QString printModuleFile()
{
    return QCoreApplication::applicationDirPath() + u'/' + QStringLiteral(SB_PRINT_MODULE_FILE);
}

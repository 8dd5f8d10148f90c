#include "store/placementfile.h"

#include "base/preferences.h"

#include <QDir>
#include <QFileInfo>

namespace PlacementFile {

namespace {
const QString kTop = QStringLiteral("Top");
const QString kLeft = QStringLiteral("Left");
const QString kWidth = QStringLiteral("Width");
const QString kHeight = QStringLiteral("Height");
} // namespace

QString applicationTitle(const QString& executableName)
{
    const QString name = QFileInfo(executableName).fileName();
    const QString title = name.left(name.indexOf(u'.'));
    if (title.isEmpty())
        return title;
    const qsizetype first = title.front().isHighSurrogate() && title.size() > 1 ? 2 : 1;
    return title.left(first) + title.mid(first).toLower();
}

QString path(const QString& folder, const QString& executableName)
{
    return QDir(folder).filePath(applicationTitle(executableName) + QStringLiteral(".ini"));
}

Numbers readNumbers(const IniFile& file, const QString& section)
{
    Numbers n;
    n.top = file.intValue(section, kTop, 0);
    n.left = file.intValue(section, kLeft, 0);
    n.width = file.intValue(section, kWidth, 0);
    n.height = file.intValue(section, kHeight, 0);
    return n;
}

void writeNumbers(IniFile& file, const QString& section, const Numbers& numbers)
{
    file.setInt(section, kTop, numbers.top);
    file.setInt(section, kLeft, numbers.left);
    file.setInt(section, kWidth, numbers.width);
    file.setInt(section, kHeight, numbers.height);
}

FormPlacement placeForm(const Numbers& stored, const QRect& current, bool resizable,
                        const QList<QRect>& screens, const QSize& minimum)
{
    FormPlacement out;
    out.rect = current;
    out.move = stored.top != 0 || stored.left != 0;
    const bool width = resizable && stored.width > 0;
    const bool height = resizable && stored.height > 0;
    if (!out.move && !width && !height)
        return out;

    // The main window's rule, fed with the form's wanted geometry.
    Preferences wanted;
    wanted.left = stored.left != 0 ? stored.left : current.x();
    wanted.top = stored.top != 0 ? stored.top : current.y();
    wanted.width = width ? stored.width : current.width();
    wanted.height = height ? stored.height : current.height();
    const QRect placed = placeWindow(wanted, screens, resizable ? minimum : current.size()).placed;
    out.rect = out.move ? placed : QRect(current.topLeft(), placed.size());
    return out;
}

Numbers numbersToWrite(const Numbers& stored, const QRect& placed, const QRect& now, bool resizable)
{
    Numbers out;
    out.top = stored.top != 0 && now.y() == placed.y() ? stored.top : now.y();
    out.left = stored.left != 0 && now.x() == placed.x() ? stored.left : now.x();
    out.width = stored.width != 0 && (!resizable || now.width() == placed.width()) ? stored.width : now.width();
    out.height = stored.height != 0 && (!resizable || now.height() == placed.height()) ? stored.height : now.height();
    return out;
}

QStringList persistedPropertyNames()
{
    QStringList names{QStringLiteral("Text"), QStringLiteral("Checked"), QStringLiteral("Position"),
                      QStringLiteral("InitialDir"), QStringLiteral("FileName")};
    names.sort(Qt::CaseInsensitive);
    return names;
}

bool isPersistedProperty(const QStringList& names, const QString& className, const QString& propertyName)
{
    return names.contains(propertyName, Qt::CaseInsensitive)
        || names.contains(className + u'.' + propertyName, Qt::CaseInsensitive);
}

QString propertyToText(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    case QMetaType::Int:
        return QString::number(value.toInt());
    case QMetaType::QString:
        return value.toString();
    default:
        return {};
    }
}

std::optional<QVariant> textToProperty(const QVariant& current, const QString& text)
{
    switch (current.typeId()) {
    case QMetaType::Bool:
        if (text == QLatin1String("TRUE"))
            return QVariant(true);
        if (text == QLatin1String("FALSE"))
            return QVariant(false);
        return std::nullopt;
    case QMetaType::Int: {
        bool ok = false;
        const int n = text.toInt(&ok, 10);
        return ok ? std::optional<QVariant>(n) : std::nullopt;
    }
    case QMetaType::QString:
        return QVariant(text);
    default:
        return std::nullopt;
    }
}

} // namespace PlacementFile

#include "app/desktop/persistentform.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

PersistentForm::Property PersistentForm::checked(QAbstractButton* button)
{
    Property p;
    p.control = button->objectName();
    p.className = QString::fromLatin1(button->metaObject()->className());
    p.name = QStringLiteral("Checked");
    const QPointer<QAbstractButton> b(button);
    // A control gone before the end has nothing to store (an invalid value
    // stores no text).
    p.get = [b]() { return b ? QVariant(b->isChecked()) : QVariant(); };
    p.set = [b](const QVariant& v) {
        if (b)
            b->setChecked(v.toBool());
    };
    return p;
}

QString PersistentForm::placementFile(const DataFolder& folder)
{
    return PlacementFile::path(folder.root(), QCoreApplication::applicationFilePath());
}

PersistentForm* PersistentForm::attach(QWidget* form, const DataFolder& folder, bool resizable,
                                       const QList<Property>& properties)
{
    return attach(form, placementFile(folder), resizable, properties);
}

PersistentForm* PersistentForm::attach(QWidget* form, const QString& placementFile, bool resizable,
                                       const QList<Property>& properties)
{
    if (!form || form->objectName().isEmpty())
        return nullptr;
    return new PersistentForm(form, placementFile, resizable, properties);
}

PersistentForm* PersistentForm::reserve(QObject* owner, const QString& placementFile, const QString& section,
                                        const QList<Property>& properties)
{
    if (!owner || section.isEmpty())
        return nullptr;
    return new PersistentForm(owner, placementFile, section, properties);
}

PersistentForm::PersistentForm(QWidget* form, const QString& placementFile, bool resizable,
                               const QList<Property>& properties)
    : QObject(form), m_form(form), m_file(placementFile), m_section(form->objectName()), m_resizable(resizable)
{
    keepProperties(properties);
    load();
    if (form->isVisible())
        applyPlacement();
    else
        form->installEventFilter(this);
}

PersistentForm::PersistentForm(QObject* owner, const QString& placementFile, const QString& section,
                               const QList<Property>& properties)
    : QObject(owner), m_file(placementFile), m_section(section), m_resizable(false), m_standIn(true)
{
    keepProperties(properties);
    load();
}

void PersistentForm::keepProperties(const QList<Property>& properties)
{
    const QStringList names = PlacementFile::persistedPropertyNames();
    for (const Property& p : properties) {
        if (!p.control.isEmpty() && p.get && p.set && PlacementFile::isPersistedProperty(names, p.className, p.name))
            m_properties.append(p);
    }
}

void PersistentForm::load()
{
    // A file that is missing or cannot be read gives the design values.
    const IniFile file = IniFile::read(m_file).value;
    m_stored = PlacementFile::readNumbers(file, m_section);
    for (const Property& p : std::as_const(m_properties)) {
        const QString text = file.value(m_section, p.control + u'.' + p.name);
        if (text.isEmpty())
            continue;
        if (const std::optional<QVariant> v = PlacementFile::textToProperty(p.get(), text))
            p.set(*v);
    }
}

bool PersistentForm::eventFilter(QObject* watched, QEvent* event)
{
    // Before the form's own show handling: a dialog that was moved is not
    // centred over its parent, and a form that centres itself still can.
    if (watched == m_form && event->type() == QEvent::Show && !m_placedYet) {
        m_form->removeEventFilter(this);
        applyPlacement();
    }
    return QObject::eventFilter(watched, event);
}

void PersistentForm::applyPlacement()
{
    m_placedYet = true;
    QList<QRect> screens;
    for (const QScreen* s : QGuiApplication::screens())
        screens.append(s->availableGeometry());
    const QRect current(m_form->pos(), m_form->size());
    const PlacementFile::FormPlacement p =
        PlacementFile::placeForm(m_stored, current, m_resizable, screens, m_form->minimumSize());
    if (p.rect.size() != current.size())
        m_form->resize(p.rect.size());
    if (p.move)
        m_form->move(p.rect.topLeft());
    // As the form took it: its own limits may have had the last word.
    m_placed = QRect(m_form->pos(), m_form->size());
}

QRect PersistentForm::geometryNow() const
{
    if (m_placedYet)
        return QRect(m_form->pos(), m_form->size());
    // Never shown in this run: what was set explicitly, else nothing (0,
    // which is never applied), rather than the toolkit's make-shift geometry.
    return QRect(m_form->testAttribute(Qt::WA_Moved) ? m_form->pos() : QPoint(0, 0),
                 m_form->testAttribute(Qt::WA_Resized) ? m_form->size() : QSize(0, 0));
}

void PersistentForm::store(IniFile& file) const
{
    if (!m_standIn && !m_form)
        return;
    if (m_standIn) {
        // Never made, so never moved: its place stays as it was stored.
        PlacementFile::writeNumbers(file, m_section, m_stored);
    } else {
        const QRect now = geometryNow();
        const QRect placed = m_placedYet ? m_placed : now;
        PlacementFile::writeNumbers(file, m_section,
                                    PlacementFile::numbersToWrite(m_stored, placed, now, m_resizable));
    }
    for (const Property& p : m_properties) {
        // No text (a type that is not stored): an earlier entry stays.
        const QString text = PlacementFile::propertyToText(p.get());
        if (!text.isEmpty())
            file.setValue(m_section, p.control + u'.' + p.name, text);
    }
}

QList<TextFile::WriteResult> PersistentForm::saveAll(QObject* root)
{
    QList<TextFile::WriteResult> failed;
    if (!root)
        return failed;
    const QList<PersistentForm*> forms = root->findChildren<PersistentForm*>();
    QStringList files;
    for (const PersistentForm* f : forms) {
        if (!files.contains(f->m_file))
            files.append(f->m_file);
    }
    // Read again at the end: other sections may have changed meanwhile on
    // another workstation, and they stay as that one wrote them.
    for (const QString& path : std::as_const(files)) {
        // One that cannot be read is not written either: write() says so.
        IniFile file = IniFile::read(path).value;
        for (const PersistentForm* f : forms) {
            if (f->m_file == path)
                f->store(file);
        }
        const TextFile::WriteResult r = file.write();
        if (!r.ok())
            failed.append(r);
    }
    return failed;
}

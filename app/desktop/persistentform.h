#pragma once

#include "store/datafolder.h"
#include "store/placementfile.h"
#include "store/textfile.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QVariant>

#include <functional>

class QAbstractButton;
class QWidget;

// Gives a form a memory between runs: where it stood and the values of a few
// of its controls, kept in the placement file under the form's object name.
// The file is read when the form is attached: the stored values go to the
// controls at once, the stored placement when the form is first shown. The
// values are written only by saveAll() at a normal end, so a crash or a kill
// writes nothing.
//
//     PersistentForm::attach(this, folder, false,
//                            {PersistentForm::checked(m_leadingZero), ...});
//     ...
//     const auto failed = PersistentForm::saveAll(mainWindow);
class PersistentForm : public QObject
{
    Q_OBJECT
public:
    // One kept value of a control: a bool, an int or a QString, stored under
    // "<control>.<name>" (for example "CheckBox1.Checked").
    struct Property
    {
        QString control;     // the control's object name
        QString className;   // the control's class, for the persisted-name rule
        QString name;        // the property's name
        std::function<QVariant()> get;
        std::function<void(const QVariant&)> set;
    };
    // The "Checked" state of a check box or radio button.
    static Property checked(QAbstractButton* button);

    // Attaches to `form` (a child of it, gone with it) and applies what the
    // placement file of `folder` holds for it. A form the user cannot resize
    // keeps its own size. Properties whose name is not a persisted one, or
    // whose control has no object name, are not kept. Returns null, keeping
    // nothing, when the form has no object name to name its section.
    static PersistentForm* attach(QWidget* form, const DataFolder& folder, bool resizable,
                                  const QList<Property>& properties = {});
    static PersistentForm* attach(QWidget* form, const QString& placementFile, bool resizable,
                                  const QList<Property>& properties = {});

    // Stands in for a form that is made at its first use and may not be
    // made in this run at all: reads what the placement file holds for
    // `section` now (the kept values go to the properties' setters) and
    // writes it at a normal end as that form would had it stayed where it
    // was stored, with the values the properties' getters give then. A child
    // of `owner`; delete it before the form itself is attached.
    static PersistentForm* reserve(QObject* owner, const QString& placementFile, const QString& section,
                                   const QList<Property>& properties);

    // This program's placement file in `folder`.
    static QString placementFile(const DataFolder& folder);

    // The normal end: writes the placement and kept values of every form
    // attached at or below `root`, each file once. Returns the writes that
    // failed, for the caller to tell the user.
    static QList<TextFile::WriteResult> saveAll(QObject* root);

    QString file() const { return m_file; }
    QString section() const { return m_section; }
    // What the form writes into `file` now.
    void store(IniFile& file) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    PersistentForm(QWidget* form, const QString& placementFile, bool resizable, const QList<Property>& properties);
    PersistentForm(QObject* owner, const QString& placementFile, const QString& section,
                   const QList<Property>& properties);
    void keepProperties(const QList<Property>& properties);
    void load();
    void applyPlacement();
    QRect geometryNow() const;

    QPointer<QWidget> m_form;
    QString m_file;
    QString m_section;
    bool m_resizable = true;
    QList<Property> m_properties;
    PlacementFile::Numbers m_stored;
    QRect m_placed;          // where the stored placement put the form
    bool m_placedYet = false;
    bool m_standIn = false;  // made by reserve(): there is no form
};

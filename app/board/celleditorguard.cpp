#include "app/board/celleditorguard.h"

#include "app/desktop/storabletextvalidator.h"

#include <QAbstractItemView>
#include <QChildEvent>
#include <QLineEdit>

CellEditorGuard::CellEditorGuard(QAbstractItemView* view, QObject* parent)
    : QObject(parent), m_viewport(view->viewport())
{
    m_viewport->installEventFilter(this);
}

bool CellEditorGuard::eventFilter(QObject* watched, QEvent* event)
{
    // Polished, not added: when the child is added its QLineEdit part is
    // not built yet. An editor is polished when it is shown, before the
    // first key reaches it.
    if (watched == m_viewport && event->type() == QEvent::ChildPolished) {
        auto* editor = qobject_cast<QLineEdit*>(static_cast<QChildEvent*>(event)->child());
        if (editor && !qobject_cast<const StorableTextValidator*>(editor->validator())) {
            auto* validator = new StorableTextValidator(editor);
            connect(validator, &StorableTextValidator::refused, this,
                    [this](const QStringList& characters) { emit notice(StorableTextValidator::notice(characters)); });
            editor->setValidator(validator);
        }
    }
    return QObject::eventFilter(watched, event);
}

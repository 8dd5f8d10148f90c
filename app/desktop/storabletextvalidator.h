#pragma once

#include <QStringList>
#include <QValidator>

// Keeps characters the data files cannot hold out of a line editor: they
// are dropped as they are typed or pasted, the rest of the input stays, and
// refused() names them so the user learns why nothing appeared.
class StorableTextValidator final : public QValidator
{
    Q_OBJECT
public:
    using QValidator::QValidator;

    State validate(QString& input, int& pos) const override;

    // The notice for the status bar about `characters` left out.
    static QString notice(const QStringList& characters);

signals:
    void refused(const QStringList& characters);
};

// Everything of the sounds that needs Qt Multimedia. It is a module of its
// own, loaded by SoundPlayer with the first sound: linked into the board,
// Multimedia and its audio, codec and network libraries would be loaded and
// relocated at every start, some 3 MB of memory for sounds that may never play.
#include "app/desktop/soundmodule.h"

#include <QAudioDevice>
#include <QDir>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QTemporaryFile>
#include <QUrl>

extern "C" Q_DECL_EXPORT void sbPlayWave(const QByteArray& wave, QObject* owner)
{
    if (QMediaDevices::defaultAudioOutput().isNull())
        return;
    auto* effect = new QSoundEffect(owner);
    // The effect reads its source by name, later and on a thread of its own:
    // it gets a private copy, gone with the effect.
    auto* copy = new QTemporaryFile(QDir::tempPath() + QStringLiteral("/schedboard-XXXXXX.wav"), effect);
    if (!copy->open() || copy->write(wave) != wave.size() || !copy->flush()) {
        delete effect;
        return;
    }
    effect->setSource(QUrl::fromLocalFile(copy->fileName()));
    // Freed when it has played (or could not); an effect that never reports
    // the end is freed with its owner.
    QObject::connect(effect, &QSoundEffect::playingChanged, effect, [effect] {
        if (!effect->isPlaying())
            effect->deleteLater();
    });
    QObject::connect(effect, &QSoundEffect::statusChanged, effect, [effect] {
        if (effect->status() == QSoundEffect::Error)
            effect->deleteLater();
        else if (effect->status() == QSoundEffect::Ready && !effect->isPlaying())
            effect->play();
    });
    if (effect->status() == QSoundEffect::Ready)
        effect->play();
}

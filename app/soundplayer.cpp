#include "app/soundplayer.h"

#include "store/textfile.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

void SoundPlayer::play(const QString& wavePath)
{
    // A FIFO or device planted under the name would hang the decoder.
    if (!TextFile::isRegularFile(wavePath) || QMediaDevices::defaultAudioOutput().isNull())
        return;
    auto* effect = new QSoundEffect(this);
    effect->setSource(QUrl::fromLocalFile(wavePath));
    // Freed when it has played (or could not); an effect that never reports
    // the end is freed with the player.
    connect(effect, &QSoundEffect::playingChanged, effect, [effect] {
        if (!effect->isPlaying())
            effect->deleteLater();
    });
    connect(effect, &QSoundEffect::statusChanged, effect, [effect] {
        if (effect->status() == QSoundEffect::Error)
            effect->deleteLater();
        else if (effect->status() == QSoundEffect::Ready && !effect->isPlaying())
            effect->play();
    });
    if (effect->status() == QSoundEffect::Ready)
        effect->play();
}

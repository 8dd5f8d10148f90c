#include "app/soundplayer.h"

#include "app/soundmodule.h"
#include "store/textfile.h"

#include <QCoreApplication>
#include <QLibrary>

void SoundPlayer::play(const QString& wavePath)
{
    // A FIFO or device planted under the name would hang the decoder.
    if (!TextFile::isRegularFile(wavePath))
        return;
    if (!m_moduleTried) {
        m_moduleTried = true;
        // Beside the executable, never from the current folder. It stays
        // loaded: the effects it made live on after this call.
        QLibrary module(QCoreApplication::applicationDirPath() + QStringLiteral("/sb_sound"));
        m_playWave = reinterpret_cast<PlayWaveFunction>(module.resolve(kPlayWaveSymbol));
    }
    // Without the module the board is silent, as without an audio device.
    if (m_playWave)
        m_playWave(wavePath, this);
}

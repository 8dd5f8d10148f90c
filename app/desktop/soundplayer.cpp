#include "app/desktop/soundplayer.h"

#include "app/desktop/modulefile.h"
#include "app/desktop/soundmodule.h"
#include "store/textfile.h"

#include <QCoreApplication>

void SoundPlayer::play(const QString& wavePath)
{
    // Read here, as every data file is: never through a link, never from a
    // FIFO or device planted under the name, never more than a sound needs.
    constexpr qint64 kWaveFileCap = 4 * 1024 * 1024;
    const TextFile::BytesResult wave = TextFile::readBytes(wavePath, kWaveFileCap);
    if (!wave.ok())
        return;
    if (!m_moduleTried) {
        m_moduleTried = true;
        // Beside the executable, never from the current folder. It stays
        // loaded: the effects it made live on after this call.
        ModuleFile module(QCoreApplication::applicationDirPath() + u'/' + QStringLiteral(SB_SOUND_MODULE_FILE));
        QString ignored;
        if (module.load(ignored))
            m_playWave = reinterpret_cast<PlayWaveFunction>(module.resolve(kPlayWaveSymbol));
    }
    // Without the module the board is silent, as without an audio device.
    if (m_playWave)
        m_playWave(wave.value, this);
}

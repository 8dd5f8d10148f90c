// The sounds on Windows: the system plays the wave itself, in the
// background. No audio device is silence.
#include "app/desktop/soundmodule.h"

#include <windows.h>
#include <mmsystem.h>

extern "C" Q_DECL_EXPORT void sbPlayWave(const QByteArray& wave, QObject*)
{
    // Played from memory, which must stay until the sound ends: the next
    // sound stops this one before its bytes are replaced.
    static QByteArray playing;
    PlaySoundW(nullptr, nullptr, 0);
    playing = wave;
    PlaySoundW(reinterpret_cast<LPCWSTR>(playing.constData()), nullptr, SND_MEMORY | SND_ASYNC | SND_NODEFAULT);
}

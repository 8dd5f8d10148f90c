// The sounds on Windows: the system plays the wave file itself, in the
// background. No audio device, or no such file, is silence.
#include "app/soundmodule.h"

#include <QDir>

#include <windows.h>
#include <mmsystem.h>

extern "C" Q_DECL_EXPORT void sbPlayWave(const QString& wavePath, QObject*)
{
    const std::wstring path = QDir::toNativeSeparators(wavePath).toStdWString();
    PlaySoundW(path.c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT);
}

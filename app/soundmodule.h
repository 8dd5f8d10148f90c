#pragma once

#include <QString>

class QObject;

// The entry of the sound module: plays a wave file with QSoundEffect, the
// effect owned by owner, and never waits for it. No audio device is silence.
using PlayWaveFunction = void (*)(const QString& wavePath, QObject* owner);
inline constexpr char kPlayWaveSymbol[] = "sbPlayWave";

#pragma once

#include <QByteArray>

class QObject;

// The entry of the sound module: plays the bytes of a wave file (read by the
// board, which never reads through a link), anything the sound needs owned
// by owner, and never waits for it. No audio device is silence.
using PlayWaveFunction = void (*)(const QByteArray& wave, QObject* owner);
inline constexpr char kPlayWaveSymbol[] = "sbPlayWave";

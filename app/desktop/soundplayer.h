#pragma once

#include "app/desktop/soundmodule.h"
#include "base/services.h"

#include <QObject>

// Plays a wave file and never waits for it: without a sound server a
// sound reports playing forever. No file or no audio device is silence.
class SoundPlayer final : public QObject, public Sounds
{
    Q_OBJECT
public:
    explicit SoundPlayer(QObject* parent = nullptr) : QObject(parent) {}
    void play(const QString& wavePath) override;

private:
    bool m_moduleTried = false;
    PlayWaveFunction m_playWave = nullptr;
};

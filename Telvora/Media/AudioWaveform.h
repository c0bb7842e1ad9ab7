#pragma once

#include <QList>
#include <QString>

/// The console's overview of a recording.
namespace telvora::AudioWaveform {

inline constexpr int barCount = 64;
inline constexpr int framesPerBar = 2048;
inline constexpr double quietest = 0.05;

/// 64 bars, one per 1/64 of the file: the peak of the first channel over the first 2048
/// sample frames of each slice, between 0.05 and 1.0. Empty for a file that cannot be read
/// or holds no audio. Blocking: call it off the GUI thread (AudioSamples::waveform does).
QList<double> bars(const QString &path);

} // namespace telvora::AudioWaveform

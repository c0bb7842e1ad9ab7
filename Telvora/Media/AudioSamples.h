#pragma once

#include "Telvora/Media/NarrationTags.h"
#include "TelvoraCore/Support/CancellationToken.h"

#include <QCoroTask>
#include <QList>
#include <QString>
#include <QStringList>

/// The narration's assembly and the recording's overview, awaitable from GUI-thread
/// coroutines: the work runs on Qt's global thread pool and the caller resumes on its own
/// thread when it is done.
namespace telvora::AudioSamples {

/// Joins the parts, in list order, into "narracao.m4a" inside `directory` (a single part
/// becomes "narracao.mp3"), normalised and tagged as AudioJoiner::join does, and returns
/// that file's path. Fails as AudioJoiner::join does; no file is left behind then.
/// `token` is optional: cancelling it stops the encoding between frames.
QCoro::Task<QString> join(QStringList parts, QString directory, NarrationTags tags = NarrationTags(),
                          CancellationToken token = CancellationToken());

/// The 64 bars of AudioWaveform::bars; never fails (empty for an unreadable file).
QCoro::Task<QList<double>> waveform(QString path);

} // namespace telvora::AudioSamples

#pragma once

#include "Telvora/Transcription/TranscriptionProgress.h"

#include <QString>

#include <optional>

namespace telvora::StatusLine {

/// The status as the console's display and the reader's footer show it: `status`, then,
/// while a transcription reports progress, its stage's percentage and, once estimated, the
/// time left ("Transcrevendo · large-v3-turbo… 42 % · cerca de 3 min").
QString compose(const QString &status, const std::optional<TranscriptionProgress> &progress);

/// Whether the progress belongs beside `status`: only a status of work under way, which
/// ends in "…". A passing message such as "Copiado" is shown alone.
bool followsProgress(const QString &status);

/// What follows the status: the percentage, then " · " and the time left once estimated.
QString progressText(const TranscriptionProgress &progress);
/// The percentage alone ("42 %").
QString percentText(const TranscriptionProgress &progress);

} // namespace telvora::StatusLine

#pragma once

#include "Telvora/Media/NarrationTags.h"
#include "TelvoraCore/Vocabulary/OutputKind.h"

#include <QString>
#include <QStringList>

namespace telvora::NarrationMetadata {

/// The tags of a narration of `document` spoken from `script` in `chunks`: the document's
/// title line as title (else `fallbackTitle`), the kind's name as genre, today's date, the
/// program's emblem as cover, and a chapter for the title and each section heading.
NarrationTags tags(const QString &document, const QString &script, const QStringList &chunks, OutputKind kind,
                   const QString &fallbackTitle);

} // namespace telvora::NarrationMetadata

#pragma once

#include <QStringList>

namespace telvora::OpenAIModels {

/// Suggested OpenAI text models, in preference order.
const QStringList &suggestions();

/// The identifiers usable as text models: the suggestions the list contains first (in
/// their order), then the rest in natural order. Audio, image, embedding… models and
/// empty identifiers are left out; duplicates are removed.
QStringList textCandidates(const QStringList &ids);

} // namespace telvora::OpenAIModels

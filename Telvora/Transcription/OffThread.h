#pragma once

#include "Telvora/Media/OffThread.h"

#include <QThreadPool>

#include <type_traits>
#include <utility>

namespace telvora {

/// The pool of the transcription's blocking work (decoding, waiting for the worker). It is
/// its own so that a long wait never starves Qt's global pool, and it grows as needed.
QThreadPool &transcriptionPool();

/// offThread on the transcription's pool.
template<typename Work>
auto offThread(Work work) -> QCoro::Task<std::invoke_result_t<Work>>
{
    return offThread(&transcriptionPool(), std::move(work));
}

} // namespace telvora

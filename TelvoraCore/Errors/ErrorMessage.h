#pragma once

#include <QString>

#include <exception>

namespace telvora {

/// What the user reads for a failure: the program's own sentence, the platform's
/// description, or "Ocorreu uma falha inesperada." for anything else.
QString errorMessage(const std::exception_ptr &failure);

/// True when `failure` is a cancellation.
bool isCancellation(const std::exception_ptr &failure);

} // namespace telvora

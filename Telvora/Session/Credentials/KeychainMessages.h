#pragma once

#include <QStringView>

namespace telvora::KeychainMessages {

// Told apart from a missing key: the user has a key, it just cannot be reached now.
inline constexpr QStringView unavailable =
    u"O chaveiro do sistema está bloqueado ou não responde. Desbloqueie-o e tente de novo.";

} // namespace telvora::KeychainMessages

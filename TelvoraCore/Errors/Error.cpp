#include "TelvoraCore/Errors/Error.h"

using namespace Qt::Literals::StringLiterals;

namespace telvora {

Error::Error(QString message)
    : m_message(std::move(message))
    , m_utf8(m_message.toUtf8())
{}

Cancelled::Cancelled()
    : Error(u"Cancelado"_s)
{}

} // namespace telvora

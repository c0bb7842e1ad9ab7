#include "TelvoraCore/Vocabulary/OutputLength.h"

using namespace Qt::Literals::StringLiterals;

namespace telvora {

QString OutputLength::instruction() const
{
    switch (value()) {
    case short_:
        return u"Extensão curta: aproximadamente 300 palavras, ou 5 a 7 slides."_s;
    case medium:
        return u"Extensão média: aproximadamente 800 palavras, ou 10 a 14 slides."_s;
    case long_:
        return u"Extensão longa: aproximadamente 1800 palavras, ou 18 a 24 slides."_s;
    }
    Q_UNREACHABLE();
    return {};
}

} // namespace telvora

#pragma once

#include "TelvoraCore/Vocabulary/TitledEnumeration.h"

namespace telvora {

enum class OutputLengthCase { short_, medium, long_ };

/// Document lengths; the cases `short` and `long` are C++ keywords, hence the underscore.
class OutputLength : public TitledEnumeration<OutputLength, OutputLengthCase, 3>
{
public:
    using enum OutputLengthCase;
    using TitledEnumeration::TitledEnumeration;

    static constexpr std::array<QStringView, 3> titles{u"Curta", u"Média", u"Longa"};

    /// The length sentence, shared by text kinds (words) and presentations (slides).
    QString instruction() const;
};

} // namespace telvora
